#include "app/win32/main_window.h"

#include "app/win32/clipboard.h"
#include "app/win32/desktop_win32.h"
#include "app/win32/dpi.h"
#include "app/win32/filter_dialog.h"
#include "app/win32/list_box.h"
#include "app/win32/win_text.h"
#include "app/window_settings.h"
#include "runtime/codepage.h"

#include <shellapi.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace fenrow {

namespace {

constexpr int combo_list_height = 160; // the drop-down list below the combo box, in the design's pixels
constexpr DWORD window_style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// A worker's call is waiting.
constexpr UINT calls_waiting = WM_APP + 1;
constexpr wchar_t window_class[] = L"FenrowMainWindow";

std::wstring caption(const char* utf8)
{
    std::wstring s = to_wide(text_from_utf8(utf8));
    std::wstring out;
    for (const wchar_t c : s) { // labels break lines at CR LF only
        if (c == L'\n')
            out += L'\r';
        out += c;
    }
    return out;
}

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool font_installed(const wchar_t* face)
{
    LOGFONTW want{};
    want.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(want.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &want, &note_found, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The usual Chinese user-interface face.
const wchar_t* design_face()
{
    static const wchar_t* face = [] {
        for (const wchar_t* f : {L"Microsoft YaHei UI", L"Microsoft YaHei"}) {
            if (font_installed(f))
                return f;
        }
        return L"SimSun";
    }();
    return face;
}

// A font of that face, px pixels high; width 0 keeps its own proportions.
HFONT design_font(bool underline, int px, int width = 0)
{
    return CreateFontW(-px, width, 0, 0, FW_NORMAL, FALSE, underline, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, design_face());
}

int average_char_width(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmAveCharWidth;
}

// The program's icon, resource 1, at the size the system asks for: drawn at
// each size, so it stays sharp at any scale. Shared: the system frees it.
HICON program_icon(int width_metric, int height_metric)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                         GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), LR_SHARED));
}

void register_class(WNDPROC proc)
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = window_class;
    wc.hIcon = program_icon(SM_CXICON, SM_CYICON);
    wc.hIconSm = program_icon(SM_CXSMICON, SM_CYSMICON);
    wc.lpfnWndProc = proc;
    RegisterClassExW(&wc);
    done = true;
}

} // namespace

ListBoxCore* Win32Controls::make(const ControlSpec& row)
{
    if (row.kind == ControlKind::status_bar) {
        build_status_bar();
        handles_.emplace(row.name.utf8, status);
        return nullptr;
    }
    HWND parent = row.container == ctl::main_window ? window : handle(row.container);
    const Rect g = scale.device(row.geometry);
    const int id = next_id_++;
    if (row.kind == ControlKind::edit && row.multi_line) {
        HWND box = ListBox::create(parent, id, g, font);
        handles_.emplace(row.name.utf8, box);
        ListBox::of(box)->set_pool(reinterpret_cast<Win32Window*>(owner)->pool());
        ListBoxCore& core = ListBox::of(box)->core();
        core.set_text(ListText(text_from_utf8(row.text)));
        return &core;
    }
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD ex = 0;
    std::wstring text = caption(row.text);
    switch (row.kind) {
    case ControlKind::edit:
        cls = L"EDIT";
        ex = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_NOHIDESEL;
        text = to_edit(text_from_utf8(row.text));
        break;
    case ControlKind::label: style |= row.word_wrap ? SS_LEFT : SS_LEFTNOWORDWRAP; break;
    case ControlKind::hyperlink: style |= SS_LEFTNOWORDWRAP | SS_NOTIFY; break;
    case ControlKind::button: cls = L"BUTTON"; style |= WS_TABSTOP | BS_PUSHBUTTON; break;
    case ControlKind::check_box: cls = L"BUTTON"; style |= WS_TABSTOP | BS_AUTOCHECKBOX; break;
    case ControlKind::radio_box: cls = L"BUTTON"; style |= WS_TABSTOP | BS_AUTORADIOBUTTON; break;
    case ControlKind::group_box: cls = L"BUTTON"; style |= BS_GROUPBOX; break;
    case ControlKind::combo_box:
        cls = L"COMBOBOX";
        style |= WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL;
        text.clear();
        break;
    case ControlKind::status_bar: break;
    }
    const int height = row.kind == ControlKind::combo_box ? g.height + scale.device(combo_list_height) : g.height;
    HWND h = CreateWindowExW(ex, cls, text.c_str(), style, g.left, g.top, g.width, height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    handles_.emplace(row.name.utf8, h);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(row.kind == ControlKind::hyperlink ? link_font : font), FALSE);
    if (row.kind == ControlKind::edit)
        SendMessageW(h, EM_SETLIMITTEXT, 0, 0); // as much as memory holds
    if ((row.kind == ControlKind::check_box || row.kind == ControlKind::radio_box) && row.initially_on)
        SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
    if (row.kind == ControlKind::combo_box) {
        std::wstring items = to_wide(text_from_utf8(row.text));
        for (std::size_t start = 0;;) {
            const std::size_t nl = items.find(L'\n', start);
            SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items.substr(start, nl - start).c_str()));
            if (nl == std::wstring::npos)
                break;
            start = nl + 1;
        }
        SendMessageW(h, CB_SETCURSEL, 0, 0);
    }
    // Group boxes pass their children's notices on; edit boxes paste our way.
    if (row.kind == ControlKind::group_box || row.kind == ControlKind::edit)
        SetWindowSubclass(h, control_proc, 1, owner);
    return nullptr;
}

void Win32Controls::build_status_bar()
{
    status = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | SBARS_TOOLTIPS, 0,
                             0, 0, 0, window, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    set_status_parts();
    for (int i = 0; i < pane_count; ++i) {
        SendMessageW(status, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(caption(status_panes[i].text).c_str()));
        if (status_panes[i].tooltip != nullptr)
            SendMessageW(status, SB_SETTIPTEXTW, i, reinterpret_cast<LPARAM>(caption(status_panes[i].tooltip).c_str()));
    }
}

void Win32Controls::set_status_parts()
{
    int edges[pane_count];
    int right = 0;
    for (int i = 0; i < pane_count; ++i)
        edges[i] = status_panes[i].width > 0 ? scale.device(right += status_panes[i].width) : -1;
    SendMessageW(status, SB_SETPARTS, pane_count, reinterpret_cast<LPARAM>(edges));
}

void Win32Controls::set_scale(Scale s)
{
    scale = s;
    const HFONT old_font = font, old_link_font = link_font;
    const auto old_fits = std::move(fonts_);
    fonts_.clear();
    font = design_font(false, design_fit(s).pixel_size);
    link_font = design_font(true, design_fit(s).pixel_size);
    // Every control takes the new font before the old ones go; the window fits the captions again.
    for (const auto& [name, h] : handles_) {
        const ControlSpec* row = find_control(ControlName{name});
        const bool link = row != nullptr && row->kind == ControlKind::hyperlink;
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(link ? link_font : font), TRUE);
    }
    if (status != nullptr)
        set_status_parts();
    for (HFONT f : {old_font, old_link_font})
        if (f != nullptr)
            DeleteObject(f);
    for (const auto& [fit, f] : old_fits)
        DeleteObject(f);
}

HWND Win32Controls::handle(ControlName c) const
{
    auto it = handles_.find(c.utf8);
    return it == handles_.end() ? nullptr : it->second;
}

const ControlSpec* Win32Controls::row_of(HWND h) const
{
    if (h == nullptr)
        return nullptr;
    for (const auto& [name, hwnd] : handles_) {
        if (hwnd == h)
            return find_control(ControlName{name});
    }
    return nullptr;
}

void Win32Controls::place(const ControlSpec& row, const Rect& r)
{
    const int height = row.kind == ControlKind::combo_box ? r.height + scale.device(combo_list_height) : r.height;
    SetWindowPos(handle(row.name), nullptr, r.left, r.top, std::max(r.width, 0), std::max(height, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::optional<FilterOptions> Win32Controls::ask_filter(const FilterQuestion& q) { return ask_filter_dialog(window, q); }

namespace {

bool is_input(UINT m)
{
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK) || m == WM_MOUSEHOVER || m == WM_MOUSELEAVE;
}

} // namespace

// The window's messages but the user's input to it, which is taken away but
// for Esc and a large box's menu holding "停止". Other windows (a message the
// operation shows) take theirs.
void Win32Controls::serve_during_operation(ProgressWatch& watch)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // the main loop still has to see it
            return;
        }
        if (is_input(msg.message) && (msg.hwnd == window || IsChild(window, msg.hwnd))) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
                watch.ask_to_stop();
            const ControlSpec* row = row_of(msg.hwnd);
            if (msg.message == WM_RBUTTONUP && row != nullptr && row->multi_line) {
                HMENU menu = CreatePopupMenu();
                AppendMenuW(menu, MF_STRING, 1, to_wide(stop_item_caption()).c_str());
                if (TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, msg.pt.x, msg.pt.y, 0, window,
                                   nullptr) == 1)
                    watch.ask_to_stop();
                DestroyMenu(menu);
            }
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

Text Win32Controls::text(const ControlSpec& row)
{
    HWND box = handle(row.name);
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(box, s.data(), static_cast<int>(s.size()))));
    return from_edit(s);
}

void Win32Controls::set_text(const ControlSpec& row, const Text& t)
{
    SetWindowTextW(handle(row.name), (row.kind == ControlKind::edit ? to_edit(t) : to_wide(t)).c_str());
}

bool Win32Controls::checked(const ControlSpec& row)
{
    return SendMessageW(handle(row.name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Controls::set_checked(const ControlSpec& row, bool on)
{
    // Only a click makes the system turn a radio box's siblings off.
    if (row.kind == ControlKind::radio_box && on) {
        for (const auto& [name, h] : handles_) {
            const ControlSpec* other = find_control(ControlName{name});
            if (other != nullptr && other->kind == ControlKind::radio_box && other->container == row.container)
                SendMessageW(h, BM_SETCHECK, BST_UNCHECKED, 0);
        }
    }
    SendMessageW(handle(row.name), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Win32Controls::selection(const ControlSpec& row)
{
    return static_cast<int>(SendMessageW(handle(row.name), CB_GETCURSEL, 0, 0));
}

void Win32Controls::set_selection(const ControlSpec& row, int index)
{
    SendMessageW(handle(row.name), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

Text Win32Controls::item(const ControlSpec& row, int index)
{
    HWND combo = handle(row.name);
    if (index < 0 || index >= SendMessageW(combo, CB_GETCOUNT, 0, 0))
        return Text();
    std::wstring s(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(s.data()))));
    return from_wide(s);
}

void Win32Controls::set_pane_text(int pane, const Text& t)
{
    SendMessageW(status, SB_SETTEXTW, pane, reinterpret_cast<LPARAM>(to_wide(t).c_str()));
}

Win32Controls::~Win32Controls()
{
    if (measure_dc_ != nullptr)
        DeleteDC(measure_dc_);
    for (const auto& [fit, f] : fonts_)
        DeleteObject(f);
}

HFONT Win32Controls::font_for(CaptionFit fit, bool underline)
{
    if (fit == design_fit(scale))
        return underline ? link_font : font;
    const auto key = std::tuple{fit.pixel_size, fit.stretch, underline};
    if (auto it = fonts_.find(key); it != fonts_.end())
        return it->second;
    int width = 0; // narrower: a fraction of the face's own average width
    if (fit.stretch != 100) {
        HFONT plain = design_font(underline, fit.pixel_size);
        width = std::max(1, average_char_width(plain) * fit.stretch / 100);
        DeleteObject(plain);
    }
    return fonts_[key] = design_font(underline, fit.pixel_size, width);
}

int Win32Controls::fitted_width(const ControlSpec& row, CaptionFit fit)
{
    HWND h = handle(row.name);
    HFONT f = font_for(fit, row.kind == ControlKind::hyperlink);
    // Counters are fitted on every change of a box: the same font is not set again, and
    // the caption is measured on a private context rather than the control's.
    if (reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)) != f)
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
    if (measure_dc_ == nullptr)
        measure_dc_ = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(measure_dc_, f);
    SIZE size{};
    GetTextExtentPoint32W(measure_dc_, s.c_str(), static_cast<int>(s.size()), &size);
    SelectObject(measure_dc_, old);
    const bool boxed = row.kind == ControlKind::check_box || row.kind == ControlKind::radio_box;
    return size.cx + (boxed ? system_metric(SM_CXMENUCHECK, scale.dpi) + scale.device(4) : 0); // the box and its gap
}

std::pair<int, int> Win32Controls::client_size()
{
    RECT r{};
    GetClientRect(window, &r);
    return IsIconic(window) ? std::pair{0, 0} : std::pair{static_cast<int>(r.right), static_cast<int>(r.bottom)};
}

Win32Window::Win32Window()
    : TableWindow(control_table(), controls, [this] { return PostMessageW(controls.window, calls_waiting, 0, 0) != FALSE; })
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    controls.control_proc = &Win32Window::control_proc;
    controls.owner = reinterpret_cast<DWORD_PTR>(this);
    register_class(&Win32Window::window_proc);

    // Sized for the system's scale first; the screen the window lands on may have another.
    const Scale system{window_dpi(nullptr)};
    const auto [w, h] = outer_size(system);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    CreateWindowExW(0, window_class, to_wide(text_from_utf8(window_title)).c_str(), window_style, x, y, w, h,
                    nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (controls.window == nullptr)
        throw std::runtime_error("the main window could not be created");
    const Scale scale{window_dpi(controls.window)};
    controls.set_scale(scale);
    set_scale(scale);
    if (!(scale == system)) {
        const auto [sw, sh] = outer_size(scale);
        SetWindowPos(controls.window, nullptr, 0, 0, sw, sh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    build();
    raise(ctl::main_window, Event::created);
    restore_window_settings(*this);
}

Win32Window::~Win32Window()
{
    shut_down();
    if (IsWindow(controls.window))
        DestroyWindow(controls.window);
    DeleteObject(controls.font);
    DeleteObject(controls.link_font);
}

std::pair<int, int> Win32Window::outer_size(const Scale& scale)
{
    RECT r{0, 0, scale.device(design_client_width), scale.device(design_client_height)};
    outer_rect(r, window_style, 0, scale.dpi);
    return {r.right - r.left, r.bottom - r.top};
}

void Win32Window::rescale(int dpi, const RECT& suggested)
{
    const Scale scale{dpi};
    controls.set_scale(scale);
    set_scale(scale);
    SetWindowPos(controls.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The same size in the design's pixels sends no WM_SIZE: the bar docks and the layout runs here.
    SendMessageW(controls.status, WM_SIZE, 0, 0);
    raise(ctl::main_window, Event::size_changed);
}

LRESULT CALLBACK Win32Window::window_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        created->controls.window = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->handle(msg, w, l) : DefWindowProcW(hwnd, msg, w, l);
}

LRESULT CALLBACK Win32Window::control_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self_ptr)
{
    auto* self = reinterpret_cast<Win32Window*>(self_ptr);
    const ControlSpec* row = self->controls.row_of(hwnd); // none while the control is still being made
    const bool group_box = row != nullptr && row->kind == ControlKind::group_box;
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        if (group_box)
            return SendMessageW(self->controls.window, msg, w, l);
        break;
    case WM_ERASEBKGND:
        if (group_box) { // the class paints no background
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(w), &r, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        break;
    case WM_PASTE:
        self->paste_clipboard(hwnd);
        return 0;
    case WM_KEYDOWN:
        if (w == 'A' && GetKeyState(VK_CONTROL) < 0) { // select all, as every box does
            SendMessageW(hwnd, EM_SETSEL, 0, -1);
            return 0;
        }
        break;
    case WM_CHAR:
        if (w == 1) // Ctrl+A's character: no beep
            return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, &Win32Window::control_proc, 1);
        break;
    }
    return DefSubclassProc(hwnd, msg, w, l);
}

LRESULT Win32Window::handle(UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case calls_waiting:
        run_pending_calls();
        return 0;
    case WM_COMMAND: {
        const ControlSpec* row = controls.row_of(reinterpret_cast<HWND>(l));
        if (row == nullptr)
            break;
        const int code = HIWORD(w);
        if (code == BN_CLICKED && row->kind == ControlKind::button)
            raise(row->name, Event::clicked);
        else if (code == EN_CHANGE && row->kind == ControlKind::edit)
            edit_changed(row->name);
        else if (code == STN_CLICKED && row->kind == ControlKind::hyperlink)
            ShellExecuteW(controls.window, L"open", to_wide(text_from_utf8(feedback_page_address)).c_str(), nullptr,
                          nullptr, SW_SHOWNORMAL);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return colour(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
    case WM_CTLCOLOREDIT: { // the edit boxes' own text colours, on white
        const ControlSpec* row = controls.row_of(reinterpret_cast<HWND>(l));
        const HDC dc = reinterpret_cast<HDC>(w);
        if (row != nullptr && row->rgb != 0)
            SetTextColor(dc, RGB(row->rgb >> 16 & 0xFF, row->rgb >> 8 & 0xFF, row->rgb & 0xFF));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_SETCURSOR: {
        const ControlSpec* row = controls.row_of(reinterpret_cast<HWND>(w));
        if (row != nullptr && row->kind == ControlKind::hyperlink) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_SIZE:
        if (controls.status == nullptr)
            break; // still being made
        SendMessageW(controls.status, WM_SIZE, 0, 0);
        // Minimising is a size change to an empty client area; restoring is another.
        raise(ctl::main_window, Event::size_changed);
        return 0;
    case WM_DPICHANGED: // moved to a screen of another scale
        rescale(HIWORD(w), *reinterpret_cast<const RECT*>(l));
        return 0;
    case WM_CLOSE:
        save_window_settings(*this); // a file that cannot be written keeps nobody from closing
        DestroyWindow(controls.window);
        return 0;
    case WM_ENDSESSION: // the session ends without closing the window
        if (w)
            save_window_settings(*this);
        return 0;
    case WM_DESTROY:
        shut_down(); // a worker waiting for the window is let go
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(controls.window, msg, w, l);
}

LRESULT Win32Window::colour(HDC dc, HWND control)
{
    const ControlSpec* row = controls.row_of(control);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (row != nullptr && row->rgb != 0)
        SetTextColor(dc, RGB(row->rgb >> 16 & 0xFF, row->rgb >> 8 & 0xFF, row->rgb & 0xFF));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool Win32Window::preview(MSG& msg)
{
    const bool ours = msg.hwnd == controls.window || IsChild(controls.window, msg.hwnd);
    if (msg.message == WM_MOUSEMOVE && ours)
        on_mouse_move();
    // Between operations Esc stops the jobs that still write into a box.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && ours && busy()) {
        stop();
        return true;
    }
    return false;
}

void Win32Window::on_mouse_move()
{
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(controls.window, &at);
    raise(control_at(at.x, at.y), Event::mouse_moved);
}

void Win32Window::paste_clipboard(HWND box)
{
    if (const auto text = clipboard_text(controls.window))
        SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted_lines(*text).c_str()));
}

int run_main_window()
{
    Win32Window window;
    install_win32_services(&window);
    ShowWindow(window.handle(), SW_SHOW);
    UpdateWindow(window.handle());
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.preview(msg) || IsDialogMessageW(window.handle(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    install_win32_services(nullptr);
    return static_cast<int>(msg.wParam);
}

} // namespace fenrow
