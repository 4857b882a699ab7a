// The skin library for Windows: the captioned windows of the attaching thread
// and the controls in them, those there already and those made later, are
// subclassed and drawn with the skin until it is detached. A window belongs to
// the thread that made it, so that thread is the user-interface one: it must
// own a captioned window, and calls from any other thread are refused.
#include "app/skin/skin_api.h"
#include "app/skin/skin_entry.h"
#include "app/win32/skin/skin_look.h"
#include "app/win32/skin/skin_paint.h"

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

using namespace fenrow::skin;

namespace {

constexpr UINT_PTR subclass_id = 0x46726E53; // the skin's among a window's subclasses

struct Skinned {
    Family family;
    bool hover = false; // the pointer is over it, while the skin tracks it
};

struct Look {
    Colours colours;
    Brushes brushes;
    HHOOK hook = nullptr;
    std::unordered_map<HWND, std::unique_ptr<Skinned>> windows;
};

// The thread that wears the skin, 0 while none does. Only that thread sets the
// look and clears both, so the look is only ever touched on that thread.
std::atomic<DWORD> owner{0};
Look* look = nullptr;

LRESULT CALLBACK skinned_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref);

// Looked up anew after every call into the window's own procedure: the program
// may have detached in the meantime.
Skinned* skinned(HWND w)
{
    if (look == nullptr)
        return nullptr;
    const auto it = look->windows.find(w);
    return it == look->windows.end() ? nullptr : it->second.get();
}

void take(HWND w, Family family)
{
    if (family == Family::none || look->windows.count(w) != 0)
        return;
    auto data = std::make_unique<Skinned>(Skinned{family});
    if (::SetWindowSubclass(w, skinned_proc, subclass_id, reinterpret_cast<DWORD_PTR>(data.get())))
        look->windows.emplace(w, std::move(data));
}

BOOL CALLBACK take_child(HWND w, LPARAM)
{
    take(w, family_of(w, ::GetWindowLongPtrW(w, GWL_STYLE)));
    return TRUE;
}

BOOL CALLBACK take_tree(HWND top, LPARAM)
{
    take(top, family_of(top, ::GetWindowLongPtrW(top, GWL_STYLE)));
    if (look->windows.count(top) != 0)
        ::EnumChildWindows(top, take_child, 0);
    return TRUE;
}

BOOL CALLBACK find_skinnable(HWND w, LPARAM found)
{
    if (family_of(w, ::GetWindowLongPtrW(w, GWL_STYLE)) != Family::window)
        return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

bool owns_skinnable_window(DWORD thread)
{
    bool found = false;
    ::EnumThreadWindows(thread, find_skinnable, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Windows made on the skinned thread: captioned ones, and controls inside them.
LRESULT CALLBACK on_creation(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_CREATEWND && look != nullptr) {
        const auto w = reinterpret_cast<HWND>(wp);
        const CREATESTRUCTW* made = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
        const bool child = (made->style & WS_CHILD) != 0;
        if (!child || (made->hwndParent != nullptr && skinned(::GetAncestor(made->hwndParent, GA_ROOT)) != nullptr))
            take(w, family_of(w, made->style));
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

std::vector<HWND> skinned_top_windows()
{
    std::vector<HWND> tops;
    for (const auto& [w, data] : look->windows) {
        if ((::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0)
            tops.push_back(w);
    }
    return tops;
}

void repaint(const std::vector<HWND>& tops)
{
    for (HWND w : tops)
        ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// New colours: new brushes, and every skinned window drawn again.
void show_look()
{
    look->brushes.clear();
    repaint(skinned_top_windows());
}

// A caption colour no program picks: still there after the program answered,
// it means the program left the colour alone.
constexpr COLORREF unset = RGB(1, 2, 3);

// What a control asks its parent for: the program answers first; a caption
// colour of its own (the red and blue labels) is kept, the rest is the skin's.
LRESULT answer_colours(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    const auto dc = reinterpret_cast<HDC>(wp);
    const auto control = reinterpret_cast<HWND>(lp);
    ::SetTextColor(dc, unset);
    const LRESULT program = ::DefSubclassProc(w, msg, wp, lp);
    if (look == nullptr)
        return program;
    const COLORREF chosen = ::GetTextColor(dc);
    const bool own =
        chosen != unset && chosen != ::GetSysColor(COLOR_WINDOWTEXT) && chosen != ::GetSysColor(COLOR_BTNTEXT);
    const bool enabled = control == nullptr || ::IsWindowEnabled(control) != FALSE;
    Role ground = Role::window, text = Role::window_text;
    if (msg == WM_CTLCOLORLISTBOX || msg == WM_CTLCOLOREDIT || is_class(control, L"Edit")) {
        // Read-only edit boxes ask as labels do, but are boxes all the same.
        ground = enabled ? Role::base : Role::panel;
        text = Role::base_text;
    } else if (msg != WM_CTLCOLORDLG) {
        ground = ground_of(control);
    }
    if (!enabled)
        text = Role::disabled_text;
    const Skin& s = look->colours.shown();
    ::SetTextColor(dc, own && enabled ? chosen : colour_ref(s[text]));
    ::SetBkColor(dc, colour_ref(s[ground]));
    return reinterpret_cast<LRESULT>(look->brushes.get(s, ground));
}

bool skin_draws(HWND w, Family family)
{
    switch (family) {
    case Family::button:
        return button_look(w) != ButtonLook::own;
    case Family::combo:
        return is_plain_drop_down_list(w);
    case Family::status:
        return true;
    default:
        return false;
    }
}

void paint(HWND w, const Skinned& data, HDC dc)
{
    const Skin& s = look->colours.shown();
    switch (data.family) {
    case Family::button:
        switch (button_look(w)) {
        case ButtonLook::push: paint_button(dc, w, s, data.hover); break;
        case ButtonLook::check: paint_check_box(dc, w, s, data.hover, false); break;
        case ButtonLook::radio: paint_check_box(dc, w, s, data.hover, true); break;
        case ButtonLook::group: paint_group_box(dc, w, s); break;
        case ButtonLook::own: break;
        }
        break;
    case Family::combo: paint_drop_down_list(dc, w, s, data.hover); break;
    case Family::status: paint_status_bar(dc, w, s); break;
    default: break;
    }
}

// Messages after which buttons and combo boxes draw themselves on the spot,
// without a paint message; the skin draws them over at once.
bool draws_itself_after(UINT msg, Family family)
{
    switch (msg) {
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_UPDATEUISTATE:
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_CAPTURECHANGED:
        return family == Family::button || family == Family::combo;
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
        return family == Family::button;
    case WM_MOUSEWHEEL:
    case WM_COMMAND:
    case CB_SETCURSEL:
    case CB_SELECTSTRING:
    case CB_RESETCONTENT:
    case CB_DELETESTRING:
    case CB_SHOWDROPDOWN:
        return family == Family::combo;
    default:
        return false;
    }
}

void draw_over(HWND w)
{
    const Skinned* data = skinned(w);
    if (data != nullptr && skin_draws(w, data->family) && ::IsWindowVisible(w))
        ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

void draw_edit_border(HWND w, HDC dc)
{
    if (dc != nullptr && look != nullptr)
        paint_edit_border(dc, w, look->colours.shown());
}

void draw_edit_border(HWND w)
{
    HDC dc = ::GetWindowDC(w);
    draw_edit_border(w, dc);
    ::ReleaseDC(w, dc);
}

LRESULT painted_control(HWND w, UINT msg, WPARAM wp, LPARAM lp, Skinned& data)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (skin_draws(w, data.family))
            return 1; // the paint covers every pixel
        break;
    case WM_PAINT:
        if (!skin_draws(w, data.family))
            break;
        if (wp != 0) {
            paint(w, data, reinterpret_cast<HDC>(wp));
        } else {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(w, &ps);
            paint(w, data, dc);
            ::EndPaint(w, &ps);
        }
        return 0;
    case WM_PRINTCLIENT:
        if (!skin_draws(w, data.family))
            break;
        paint(w, data, reinterpret_cast<HDC>(wp));
        return 0;
    case WM_MOUSEMOVE:
        if (data.family != Family::status && !data.hover) {
            data.hover = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, w, 0};
            ::TrackMouseEvent(&track);
            const LRESULT r = ::DefSubclassProc(w, msg, wp, lp);
            draw_over(w);
            return r;
        }
        break;
    case WM_MOUSELEAVE: {
        data.hover = false;
        const LRESULT r = ::DefSubclassProc(w, msg, wp, lp);
        draw_over(w);
        return r;
    }
    default:
        if (draws_itself_after(msg, data.family)) {
            const LRESULT r = ::DefSubclassProc(w, msg, wp, lp);
            draw_over(w);
            return r;
        }
        break;
    }
    return ::DefSubclassProc(w, msg, wp, lp);
}

LRESULT edit_box(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_NCPAINT:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
        const LRESULT r = ::DefSubclassProc(w, msg, wp, lp);
        draw_edit_border(w);
        return r;
    }
    case WM_PRINT: {
        // The box's own drawing leaves the DC clipped to its text.
        const auto dc = reinterpret_cast<HDC>(wp);
        const int saved = ::SaveDC(dc);
        const LRESULT r = ::DefSubclassProc(w, msg, wp, lp);
        ::RestoreDC(dc, saved);
        if ((lp & PRF_NONCLIENT) != 0)
            draw_edit_border(w, dc);
        return r;
    }
    default:
        return ::DefSubclassProc(w, msg, wp, lp);
    }
}

LRESULT CALLBACK skinned_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref)
{
    if (look == nullptr)
        return ::DefSubclassProc(w, msg, wp, lp);
    auto& data = *reinterpret_cast<Skinned*>(ref);
    switch (msg) {
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(w, skinned_proc, id);
        look->windows.erase(w); // data is gone from here on
        return ::DefSubclassProc(w, msg, wp, lp);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
        return answer_colours(w, msg, wp, lp);
    default:
        break;
    }
    switch (data.family) {
    case Family::window:
        if (msg == WM_ERASEBKGND) {
            RECT r;
            ::GetClientRect(w, &r);
            ::FillRect(reinterpret_cast<HDC>(wp), &r, look->brushes.get(look->colours.shown(), Role::window));
            return 1;
        }
        return ::DefSubclassProc(w, msg, wp, lp);
    case Family::edit:
        return edit_box(w, msg, wp, lp);
    case Family::button:
    case Family::combo:
    case Family::status:
        return painted_control(w, msg, wp, lp, data);
    default:
        return ::DefSubclassProc(w, msg, wp, lp);
    }
}

} // namespace

int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int flags)
{
    return guarded(0, [&] {
        const DWORD me = ::GetCurrentThreadId();
        const DWORD wearer = owner.load();
        if (wearer != 0 && wearer != me)
            return 0;
        const std::optional<Skin> skin = skin_of_call(data, size, password, flags);
        if (!skin)
            return 0;
        if (wearer == 0) {
            if (!owns_skinnable_window(me))
                return 0;
            auto fresh = std::make_unique<Look>();
            fresh->hook = ::SetWindowsHookExW(WH_CBT, on_creation, nullptr, me);
            if (fresh->hook == nullptr)
                return 0;
            DWORD none = 0;
            if (!owner.compare_exchange_strong(none, me)) { // another thread came first
                ::UnhookWindowsHookEx(fresh->hook);
                return 0;
            }
            look = fresh.release();
        }
        look->colours.wear(*skin);
        ::EnumThreadWindows(me, take_tree, 0);
        show_look();
        return 1;
    });
}

int SkinH_AdjustHSV(int hue, int saturation, int lightness)
{
    return guarded(0, [&] {
        if (owner.load() != ::GetCurrentThreadId() || look == nullptr)
            return 0;
        look->colours.shift(hue, saturation, lightness);
        show_look();
        return 1;
    });
}

void fenrow_skin_detach()
{
    guarded([] {
        if (owner.load() != ::GetCurrentThreadId() || look == nullptr)
            return;
        const std::unique_ptr<Look> gone(look);
        look = nullptr; // what is still running in a window procedure sees no skin
        ::UnhookWindowsHookEx(gone->hook);
        std::vector<HWND> tops;
        for (const auto& [w, data] : gone->windows) {
            ::RemoveWindowSubclass(w, skinned_proc, subclass_id);
            if ((::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0)
                tops.push_back(w);
        }
        repaint(tops);
        owner.store(0);
    });
}
