// The Main window as data: its controls, their design geometry and initial
// state, the status-bar panes, the hints and the layout rule.
#pragma once

#include "ops/controls.h"

#include <optional>
#include <vector>

namespace fenrow {

inline constexpr const char* window_title = "Fenrow v2.4 byBrenik";
inline constexpr int design_client_width = 722;
inline constexpr int design_client_height = 514;
inline constexpr int design_outer_width = 740;
inline constexpr int design_outer_height = 548;

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

// Re-arranges the controls for the window's current client size.
void layout_controls(ControlLayout& ui);

} // namespace fenrow
