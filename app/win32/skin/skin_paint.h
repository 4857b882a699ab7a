// The skin's drawing of the controls it paints whole, in the window's own
// place and font: only colours and shapes are the skin's.
#pragma once

#include "app/skin/skin_format.h"

#include <windows.h>

namespace fenrow::skin {

// Into dc, whose origin is the control's client area. hover: the pointer is over it.
void paint_button(HDC dc, HWND w, const Skin& s, bool hover);
void paint_check_box(HDC dc, HWND w, const Skin& s, bool hover, bool radio);
void paint_group_box(HDC dc, HWND w, const Skin& s);
void paint_drop_down_list(HDC dc, HWND w, const Skin& s, bool hover);
void paint_status_bar(HDC dc, HWND w, const Skin& s);

// The border of an edit box, into dc whose origin is the window's top-left
// corner; the system's scroll bars inside it stay as they are.
void paint_edit_border(HDC dc, HWND w, const Skin& s);

} // namespace fenrow::skin
