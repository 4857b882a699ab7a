#include "app/win32/skin/skin_paint.h"

#include "app/win32/skin/skin_look.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace fenrow::skin {

namespace {

// Whatever a drawing step selects into the DC is undone when it ends.
class KeepDc {
public:
    explicit KeepDc(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~KeepDc() { ::RestoreDC(dc_, saved_); }
    KeepDc(const KeepDc&) = delete;
    KeepDc& operator=(const KeepDc&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A pen of our own, selected for as long as it lives.
class RoundPen {
public:
    RoundPen(HDC dc, COLORREF c, int width) : dc_(dc)
    {
        const LOGBRUSH brush{BS_SOLID, c, 0};
        pen_ = ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, static_cast<DWORD>(width),
                              &brush, 0, nullptr);
        old_ = ::SelectObject(dc_, pen_);
    }
    ~RoundPen()
    {
        ::SelectObject(dc_, old_);
        ::DeleteObject(pen_);
    }
    RoundPen(const RoundPen&) = delete;
    RoundPen& operator=(const RoundPen&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ old_;
};

COLORREF c(const Skin& s, Role r) { return colour_ref(s[r]); }

void fill(HDC dc, const RECT& r, COLORREF colour)
{
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// A one-pixel outline inside r with rounded corners, filled or hollow.
void shape(HDC dc, const RECT& r, int radius, COLORREF border, std::optional<COLORREF> inside)
{
    KeepDc keep(dc);
    ::SelectObject(dc, ::GetStockObject(DC_PEN));
    ::SetDCPenColor(dc, border);
    if (inside) {
        ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
        ::SetDCBrushColor(dc, *inside);
    } else {
        ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    }
    if (radius > 0) {
        ::RoundRect(dc, r.left, r.top, r.right, r.bottom, 2 * radius, 2 * radius);
    } else {
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}

COLORREF mix(COLORREF a, COLORREF b, double t)
{
    auto channel = [t](int x, int y) { return static_cast<BYTE>(std::lround(x + (y - x) * t)); };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

// A vertical gradient, row by row, kept inside the rounded outline of the same rectangle.
void gradient(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF bottom)
{
    const int h = r.bottom - r.top;
    for (int y = 0; y < h; ++y) {
        const int from_edge = std::min(y, h - 1 - y);
        int inset = 0;
        if (from_edge < radius) {
            const double dy = radius - from_edge - 0.5;
            inset = static_cast<int>(std::ceil(radius - std::sqrt(radius * radius - dy * dy)));
        }
        fill(dc, {r.left + inset, r.top + y, r.right - inset, r.top + y + 1},
             mix(top, bottom, h > 1 ? static_cast<double>(y) / (h - 1) : 0.0));
    }
}

void button_face(HDC dc, const RECT& r, const Skin& s, bool enabled, bool down, bool hover, bool focus)
{
    if (!enabled) {
        shape(dc, r, s.radius, c(s, Role::panel_border), c(s, Role::panel));
        return;
    }
    const COLORREF border = c(s, hover || focus || down ? Role::accent : Role::button_border);
    if (down) {
        shape(dc, r, s.radius, border, c(s, Role::button_pressed));
        return;
    }
    gradient(dc, r, s.radius, c(s, hover ? Role::button_hover : Role::button_top), c(s, Role::button_bottom));
    shape(dc, r, s.radius, border, std::nullopt);
}

HFONT font_of(HWND w)
{
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0));
    return font != nullptr ? font : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
}

UINT prefix_rule(HWND w)
{
    return (::SendMessageW(w, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0 ? DT_HIDEPREFIX : 0;
}

// Text in the control's own font; word-wrapped text is centred as a block.
// Returns where it went.
RECT caption(HDC dc, HWND w, const std::wstring& text, RECT r, COLORREF colour, UINT format)
{
    KeepDc keep(dc);
    ::SelectObject(dc, font_of(w));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colour);
    RECT used = r;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &used, format | DT_CALCRECT);
    if ((format & DT_SINGLELINE) == 0) {
        const LONG h = used.bottom - used.top;
        r.top += std::max(0L, (r.bottom - r.top - h) / 2);
        r.bottom = r.top + h;
    }
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    // Where the text lies, for a focus frame around it.
    const LONG width = used.right - used.left;
    if ((format & DT_CENTER) != 0) {
        used.left = r.left + (r.right - r.left - width) / 2;
    } else if ((format & DT_RIGHT) != 0) {
        used.left = r.right - width;
    } else {
        used.left = r.left;
    }
    used.right = used.left + width;
    const LONG h = used.bottom - used.top;
    used.top = (format & DT_SINGLELINE) != 0 ? r.top + (r.bottom - r.top - h) / 2 : r.top;
    used.bottom = used.top + h;
    return used;
}

UINT button_text_format(LONG_PTR style, UINT default_align)
{
    UINT format = 0;
    switch (style & BS_CENTER) {
    case BS_LEFT: format = DT_LEFT; break;
    case BS_RIGHT: format = DT_RIGHT; break;
    case BS_CENTER: format = DT_CENTER; break;
    default: format = default_align; break;
    }
    return format | ((style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
}

// The caption colour and the ground a control's parent answers for it, as it
// does for the system's own drawing; the skin's answers when the parent is skinned.
COLORREF parent_text_colour(HDC dc, HWND w)
{
    ::SendMessageW(::GetParent(w), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w));
    return ::GetTextColor(dc);
}

void chevron_down(HDC dc, const RECT& r, COLORREF colour)
{
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const int h = std::clamp(static_cast<int>(std::min(r.right - r.left, r.bottom - r.top)) / 4, 2, 4);
    RoundPen pen(dc, colour, 2);
    const POINT v[] = {{cx - h, cy - h / 2}, {cx, cy + h / 2 + 1}, {cx + h, cy - h / 2}};
    ::Polyline(dc, v, 3);
}

bool has_focus_cue(HWND w) { return (::SendMessageW(w, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0; }

} // namespace

void paint_button(HDC dc, HWND w, const Skin& s, bool hover)
{
    KeepDc keep(dc);
    RECT r;
    ::GetClientRect(w, &r);
    fill(dc, r, c(s, ground_of(w)));
    const bool enabled = ::IsWindowEnabled(w) != FALSE;
    // A push-like check box shows its tick as a pressed button.
    const LRESULT state = ::SendMessageW(w, BM_GETSTATE, 0, 0);
    const bool down = (state & (BST_PUSHED | BST_CHECKED | BST_INDETERMINATE)) != 0;
    button_face(dc, r, s, enabled, down, hover, ::GetFocus() == w);
    RECT text = r;
    ::InflateRect(&text, -4, -2);
    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
    caption(dc, w, text_of(w), text, c(s, enabled ? Role::button_text : Role::disabled_text),
            button_text_format(style, DT_CENTER) | prefix_rule(w));
}

void paint_check_box(HDC dc, HWND w, const Skin& s, bool hover, bool radio)
{
    KeepDc keep(dc);
    RECT r;
    ::GetClientRect(w, &r);
    const COLORREF text_colour = parent_text_colour(dc, w);
    fill(dc, r, c(s, ground_of(w)));

    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE);
    const bool enabled = ::IsWindowEnabled(w) != FALSE;
    const LRESULT check = ::SendMessageW(w, BM_GETCHECK, 0, 0);
    const bool on = check == BST_CHECKED, partly = check == BST_INDETERMINATE;
    hover = hover || (::SendMessageW(w, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;

    const int size = std::min(13L, r.bottom - r.top);
    const bool box_right = (style & BS_LEFTTEXT) != 0;
    RECT box{box_right ? r.right - size : r.left, r.top + (r.bottom - r.top - size) / 2, 0, 0};
    box.right = box.left + size;
    box.bottom = box.top + size;

    COLORREF fill_colour = c(s, Role::base), border = c(s, hover ? Role::accent : Role::frame);
    if (!enabled) {
        fill_colour = c(s, Role::panel);
        border = c(s, Role::panel_border);
    } else if (on || partly) {
        border = c(s, Role::accent);
        if (!radio)
            fill_colour = border;
    }
    if (radio) {
        KeepDc round(dc);
        ::SelectObject(dc, ::GetStockObject(DC_PEN));
        ::SetDCPenColor(dc, border);
        ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
        ::SetDCBrushColor(dc, fill_colour);
        ::Ellipse(dc, box.left, box.top, box.right, box.bottom);
        if (on) {
            const COLORREF dot = c(s, enabled ? Role::accent : Role::disabled_text);
            ::SetDCPenColor(dc, dot);
            ::SetDCBrushColor(dc, dot);
            const int inset = static_cast<int>(std::lround(size * 0.3));
            ::Ellipse(dc, box.left + inset, box.top + inset, box.right - inset, box.bottom - inset);
        }
    } else {
        shape(dc, box, 2, border, fill_colour);
        if (on || partly) {
            RoundPen pen(dc, c(s, enabled ? Role::selection_text : Role::disabled_text), 2);
            auto at = [&](double x, double y) {
                return POINT{box.left + static_cast<int>(std::lround(size * x)),
                             box.top + static_cast<int>(std::lround(size * y))};
            };
            if (partly) {
                const POINT line[] = {at(0.28, 0.5), at(0.72, 0.5)};
                ::Polyline(dc, line, 2);
            } else {
                const POINT tick[] = {at(0.24, 0.52), at(0.42, 0.70), at(0.76, 0.31)};
                ::Polyline(dc, tick, 3);
            }
        }
    }

    RECT text = r;
    if (box_right) {
        text.right = box.left - 4;
    } else {
        text.left = box.right + 4;
    }
    const RECT used = caption(dc, w, text_of(w), text, enabled ? text_colour : c(s, Role::disabled_text),
                              button_text_format(style, DT_LEFT) | prefix_rule(w));
    if (::GetFocus() == w && has_focus_cue(w)) {
        RECT frame = used;
        ::InflateRect(&frame, 1, 1);
        ::IntersectRect(&frame, &frame, &r);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::DrawFocusRect(dc, &frame);
    }
}

void paint_group_box(HDC dc, HWND w, const Skin& s)
{
    KeepDc keep(dc);
    RECT r;
    ::GetClientRect(w, &r);
    // The controls on the box draw themselves: leave their places alone, whether
    // they are the box's children or stand on it as its siblings.
    RECT own;
    ::GetWindowRect(w, &own);
    auto leave_out = [&](HWND other) {
        RECT o;
        if (!::IsWindowVisible(other) || !::GetWindowRect(other, &o))
            return;
        ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&o), 2);
        ::ExcludeClipRect(dc, o.left, o.top, o.right, o.bottom);
    };
    for (HWND child = ::GetWindow(w, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
        leave_out(child);
    if (HWND parent = ::GetParent(w)) {
        for (HWND sibling = ::GetWindow(parent, GW_CHILD); sibling != nullptr;
             sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
            RECT o;
            if (sibling != w && ::GetWindowRect(sibling, &o) && o.left >= own.left && o.top >= own.top &&
                o.right <= own.right && o.bottom <= own.bottom)
                leave_out(sibling);
        }
    }

    const COLORREF text_colour = parent_text_colour(dc, w);
    fill(dc, r, c(s, ground_of(w)));
    const std::wstring text = text_of(w);
    ::SelectObject(dc, font_of(w));
    SIZE extent{0, 0};
    ::GetTextExtentPoint32W(dc, L"M", 1, &extent);
    // An empty caption leaves a little air between boxes standing edge to edge.
    RECT panel{r.left, r.top + (text.empty() ? 2 : extent.cy / 2), r.right, r.bottom - 1};
    shape(dc, panel, s.radius, c(s, Role::panel_border), c(s, Role::panel));
    if (text.empty())
        return;
    RECT title{r.left + 8, r.top, r.right - 8, r.top + extent.cy};
    const bool enabled = ::IsWindowEnabled(w) != FALSE;
    RECT used = title;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &used, DT_SINGLELINE | DT_CALCRECT | prefix_rule(w));
    // The border stops short of the caption.
    fill(dc, {used.left - 2, panel.top, std::min(used.right + 2, panel.right - 1), panel.top + 1},
         c(s, Role::panel));
    caption(dc, w, text, title, enabled ? text_colour : c(s, Role::disabled_text),
            DT_SINGLELINE | DT_LEFT | DT_TOP | DT_END_ELLIPSIS | prefix_rule(w));
}

void paint_drop_down_list(HDC dc, HWND w, const Skin& s, bool hover)
{
    KeepDc keep(dc);
    RECT r;
    ::GetClientRect(w, &r);
    fill(dc, r, c(s, ground_of(w)));
    const bool enabled = ::IsWindowEnabled(w) != FALSE;
    const bool dropped = ::SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    button_face(dc, r, s, enabled, dropped, hover, ::GetFocus() == w);

    const int arrow_width = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), (r.right - r.left) / 2);
    const RECT arrow{r.right - arrow_width, r.top, r.right, r.bottom};
    const COLORREF ink = c(s, enabled ? Role::button_text : Role::disabled_text);
    chevron_down(dc, arrow, ink);

    const LRESULT at = ::SendMessageW(w, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR)
        return;
    const LRESULT length = ::SendMessageW(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
    if (length == CB_ERR || length <= 0)
        return;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<std::size_t>(got));
    const RECT place{r.left + 5, r.top, arrow.left, r.bottom};
    caption(dc, w, text, place, ink, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void paint_status_bar(HDC dc, HWND w, const Skin& s)
{
    KeepDc keep(dc);
    RECT r;
    ::GetClientRect(w, &r);
    fill(dc, r, c(s, Role::status));
    fill(dc, {r.left, r.top, r.right, r.top + 1}, c(s, Role::status_border));

    const int radius = std::min(s.radius, 3);
    auto pane = [&](RECT place, WPARAM part) {
        // Clear of the top line, with a little air above and below.
        place.top = std::max(place.top, r.top + 2);
        place.bottom = std::min(place.bottom, r.bottom - 1);
        shape(dc, place, radius, c(s, Role::status_border), c(s, Role::panel));
        const LRESULT length = ::SendMessageW(w, SB_GETTEXTLENGTHW, part, 0);
        if ((HIWORD(length) & SBT_OWNERDRAW) != 0 || LOWORD(length) == 0)
            return;
        std::wstring text(static_cast<std::size_t>(LOWORD(length)) + 1, L'\0');
        text.resize(LOWORD(::SendMessageW(w, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()))));
        // Tabs split a pane's text into its left, centred and right parts.
        ::InflateRect(&place, -3, 0);
        const UINT align[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
        std::size_t from = 0;
        for (UINT a : align) {
            const std::size_t tab = text.find(L'\t', from);
            const std::wstring piece = text.substr(from, tab == std::wstring::npos ? std::wstring::npos : tab - from);
            caption(dc, w, piece, place, c(s, Role::window_text),
                    a | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            if (tab == std::wstring::npos)
                break;
            from = tab + 1;
        }
    };
    if (::SendMessageW(w, SB_ISSIMPLE, 0, 0) != FALSE) {
        RECT place = r;
        ::InflateRect(&place, -2, -2);
        pane(place, SB_SIMPLEID);
    } else {
        const int parts = static_cast<int>(::SendMessageW(w, SB_GETPARTS, 0, 0));
        for (int i = 0; i < parts; ++i) {
            RECT place;
            if (::SendMessageW(w, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&place)) != FALSE &&
                place.right > place.left)
                pane(place, static_cast<WPARAM>(i));
        }
    }
    // The size grip: three rows of dots in the corner, while the window can be sized.
    HWND top = ::GetAncestor(w, GA_ROOT);
    if ((::GetWindowLongPtrW(w, GWL_STYLE) & SBARS_SIZEGRIP) != 0 && !::IsZoomed(top)) {
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col <= row; ++col) {
                const int x = r.right - 4 - 4 * col, y = r.bottom - 4 - 4 * (2 - row);
                fill(dc, {x - 2, y - 2, x, y}, c(s, Role::frame));
            }
    }
}

void paint_edit_border(HDC dc, HWND w, const Skin& s)
{
    const LONG_PTR style = ::GetWindowLongPtrW(w, GWL_STYLE), ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
    const int width = ((ex & WS_EX_CLIENTEDGE) != 0 ? 2 : 0) + ((style & WS_BORDER) != 0 ? 1 : 0);
    if (width == 0)
        return;
    KeepDc keep(dc);
    RECT outer;
    ::GetWindowRect(w, &outer);
    ::OffsetRect(&outer, -outer.left, -outer.top);
    RECT inner = outer;
    ::InflateRect(&inner, -width, -width);
    ::ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
    const bool enabled = ::IsWindowEnabled(w) != FALSE;
    const Role line = !enabled ? Role::panel_border : ::GetFocus() == w ? Role::accent : Role::frame;
    // The rest of the border's width takes the box's own background, so the
    // inside reads as one sheet; a single line gets round corners.
    const bool multi_line = (style & ES_MULTILINE) != 0;
    fill(dc, outer, c(s, ground_of(w)));
    shape(dc, outer, multi_line ? 0 : std::min(s.radius, 3), c(s, line), c(s, enabled ? Role::base : Role::panel));
}

} // namespace fenrow::skin
