// The Main window as data: its controls, their design geometry and initial
// state, the status-bar panes, the hints and the layout rule.
#pragma once

#include "ops/control_names.h"

#include <optional>
#include <vector>

namespace fenrow {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class ControlKind { edit, label, button, check_box, radio_box, combo_box, group_box, hyperlink, status_bar };

// One row of the control table.
struct ControlSpec {
    ControlName name;
    ControlKind kind;
    ControlName container = {}; // empty: the window itself
    Rect geometry;
    const char* text = "";  // caption or initial content, UTF-8; combo items and
                            // status-bar panes one per line ('\n'), first item selected
    unsigned rgb = 0;       // text colour, 0xRRGGBB; black when 0
    bool initially_on = false;
    bool multi_line = false;
    bool word_wrap = false;
};

// From the design's pixels (96 per inch) to a screen's: the edges are scaled,
// not the sizes, so that controls side by side in the design stay so.
struct Scale {
    int dpi = 96;
    // Rounded half away from zero, so a negative size mirrors a positive one.
    int device(int design) const;
    Rect device(const Rect& design) const;
    // A size on the screen back in the design's pixels, rounded to the nearest.
    int design(int device) const;
    friend bool operator==(const Scale&, const Scale&) = default;
};

inline constexpr const char* window_title = "Fenrow v2.4 byBrenik";
inline constexpr int design_client_width = 722;
inline constexpr int design_client_height = 514;
inline constexpr int design_outer_width = 740;
inline constexpr int design_outer_height = 548;

// The page the feedback link (超级链接框1) opens, fixed when the program is built.
extern const char* const feedback_page_address;

inline constexpr unsigned red = 0xFF0000;
inline constexpr unsigned blue = 0x0000FF;

// Every control in creation order; a group box comes before its children.
const std::vector<ControlSpec>& control_table();
const ControlSpec* find_control(ControlName name);

struct StatusPane {
    int width; // -1: to the right edge
    const char* text;
    const char* tooltip;
};
inline constexpr StatusPane status_panes[pane_count] = {
    {65, "使用次数：", nullptr}, {100, "", "50"}, {65, "操作提示：", nullptr}, {-1, "", nullptr}};

// The hint shown for the control under the pointer; nullptr for controls that
// leave the last hint standing. window_hint is for the bare window background.
const char* hint_for(ControlName name);
extern const char* const window_hint;

// What a screen reader calls a large box, which has no caption of its own;
// nullptr for any other control.
const char* accessible_name(ControlName name);

// What the layout rule reads and sets: the controls' design geometry and the
// window's client size (0 × 0 while minimised).
class ControlLayout {
public:
    virtual ~ControlLayout() = default;
    virtual Rect get_geometry(ControlName c) = 0;
    virtual void set_left(ControlName c, int v) = 0;
    virtual void set_top(ControlName c, int v) = 0;
    virtual void set_width(ControlName c, int v) = 0;
    virtual void set_height(ControlName c, int v) = 0;
    virtual int client_width() = 0;
    virtual int client_height() = 0;
};

// Re-arranges the controls for the window's current client size, all in the
// design's pixels; the window turns them into the screen's with its Scale.
void layout_controls(ControlLayout& ui);

} // namespace fenrow
