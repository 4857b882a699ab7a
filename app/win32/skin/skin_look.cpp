#include "app/win32/skin/skin_look.h"

#include <commctrl.h>

namespace fenrow::skin {

HBRUSH Brushes::get(const Skin& s, Role r)
{
    HBRUSH& b = brushes_[static_cast<std::size_t>(r)];
    if (b == nullptr)
        b = ::CreateSolidBrush(colour_ref(s[r]));
    return b;
}

void Brushes::clear()
{
    for (HBRUSH& b : brushes_) {
        if (b != nullptr)
            ::DeleteObject(b);
        b = nullptr;
    }
}

bool is_class(HWND w, const wchar_t* name)
{
    wchar_t buffer[64];
    return w != nullptr && ::GetClassNameW(w, buffer, 64) > 0 && ::lstrcmpiW(buffer, name) == 0;
}

Family family_of(HWND w, LONG_PTR style)
{
    if ((style & WS_CHILD) == 0) {
        // Menus, tool tips and drop-down lists are top-level too, but captionless.
        return (style & WS_CAPTION) == WS_CAPTION || is_class(w, L"#32770") ? Family::window : Family::none;
    }
    if (is_class(w, L"Button"))
        return Family::button;
    if (is_class(w, L"Edit"))
        return Family::edit;
    if (is_class(w, L"ComboBox"))
        return Family::combo;
    if (is_class(w, STATUSCLASSNAMEW))
        return Family::status;
    if (is_class(w, L"#32770"))
        return Family::window; // a dialog inside a window, such as a property page
    return Family::none;
}

ButtonLook button_look(HWND w)
{
    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
    if ((style & (BS_BITMAP | BS_ICON)) != 0)
        return ButtonLook::own;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return ButtonLook::push;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return (style & BS_PUSHLIKE) != 0 ? ButtonLook::push : ButtonLook::check;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return (style & BS_PUSHLIKE) != 0 ? ButtonLook::push : ButtonLook::radio;
    case BS_GROUPBOX:
        return ButtonLook::group;
    default:
        return ButtonLook::own;
    }
}

bool is_group_box(HWND w)
{
    return is_class(w, L"Button") && (::GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool is_plain_drop_down_list(HWND w)
{
    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
    return (style & 3) == CBS_DROPDOWNLIST && (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) == 0;
}

namespace {

bool inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

} // namespace

Role ground_of(HWND control)
{
    if (control == nullptr)
        return Role::window;
    for (HWND w = ::GetParent(control); w != nullptr && (::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) != 0;
         w = ::GetParent(w)) {
        if (is_group_box(w))
            return Role::panel;
    }
    // A control may stand on a group box that is its sibling rather than its parent.
    HWND parent = ::GetParent(control);
    RECT own;
    if (parent == nullptr || !::GetWindowRect(control, &own))
        return Role::window;
    for (HWND s = ::GetWindow(parent, GW_CHILD); s != nullptr; s = ::GetWindow(s, GW_HWNDNEXT)) {
        RECT box;
        if (s != control && is_group_box(s) && ::GetWindowRect(s, &box) && inside(own, box))
            return Role::panel;
    }
    return Role::window;
}

std::wstring text_of(HWND w)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace fenrow::skin
