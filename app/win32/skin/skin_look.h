// What the skin's painting and its colour answers share: colours as the system
// takes them, the skin's brushes, and what each window is to the skin.
#pragma once

#include "app/skin/skin_format.h"

#include <windows.h>

#include <array>
#include <string>

namespace fenrow::skin {

inline COLORREF colour_ref(Rgb c) { return RGB(c.r, c.g, c.b); }

// One solid brush per role, made on first use; the owner frees them all when
// the colours change, so a control never holds on to a stale one for long.
class Brushes {
public:
    Brushes() = default;
    ~Brushes() { clear(); }
    Brushes(const Brushes&) = delete;
    Brushes& operator=(const Brushes&) = delete;

    HBRUSH get(const Skin& s, Role r);
    void clear();

private:
    std::array<HBRUSH, role_count> brushes_{};
};

// The windows the skin takes over, by the system class they are made from.
enum class Family {
    none,   // left alone; its parent's answers still colour it (labels)
    window, // a captioned top-level window or a dialog: background and the colour answers
    button, // push buttons, check and radio boxes, group boxes
    edit,   // the border; the inside comes from the colour answers
    combo,  // drop-down lists
    status, // status bars
};
// style is passed in because a window still being created may not show it yet.
Family family_of(HWND w, LONG_PTR style);

// How a Button-class window is drawn, from its current style; own: one the
// skin does not draw (owner-drawn, pictures, split buttons, command links).
enum class ButtonLook { push, check, radio, group, own };
ButtonLook button_look(HWND w);

bool is_class(HWND w, const wchar_t* name);
bool is_group_box(HWND w);
// A drop-down list whose items the combo box draws itself.
bool is_plain_drop_down_list(HWND w);

// The background a control stands on: a group box's panel when it lies inside
// one (as its child or on top of it), else the bare window.
Role ground_of(HWND control);

std::wstring text_of(HWND w);

} // namespace fenrow::skin
