#include "app/win32/list_box.h"

#include "app/win32/box_accessible.h"
#include "app/win32/clipboard.h"
#include "app/win32/win_text.h"
#include "runtime/codepage.h"

#include <commdlg.h>
#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>

namespace fenrow {

namespace {

constexpr wchar_t class_name[] = L"FenrowListBox";
constexpr UINT_PTR drag_timer = 1;
constexpr COLORREF marker_colour = RGB(150, 150, 150);

void register_class(WNDPROC proc)
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    wc.lpszClassName = class_name;
    wc.lpfnWndProc = proc;
    RegisterClassExW(&wc);
    done = true;
}

int floor_div(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The shared key of a key-down; Backspace and Enter arrive as characters.
std::optional<BoxKey> box_key(WPARAM key)
{
    switch (key) {
    case VK_LEFT: return BoxKey::left;
    case VK_RIGHT: return BoxKey::right;
    case VK_UP: return BoxKey::up;
    case VK_DOWN: return BoxKey::down;
    case VK_HOME: return BoxKey::home;
    case VK_END: return BoxKey::end;
    case VK_PRIOR: return BoxKey::page_up;
    case VK_NEXT: return BoxKey::page_down;
    case VK_DELETE: return BoxKey::del;
    case VK_INSERT: return BoxKey::insert;
    case 'A': return BoxKey::a;
    case 'C': return BoxKey::c;
    case 'V': return BoxKey::v;
    case 'X': return BoxKey::x;
    case 'Y': return BoxKey::y;
    case 'Z': return BoxKey::z;
    default: return std::nullopt;
    }
}

bool held(int vk) { return GetKeyState(vk) < 0; }

Text from_file_name(const wchar_t* name)
{
    return text_from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(name), std::wcslen(name)));
}

// A dialog's filter list: pairs of caption and pattern, each ending in a zero.
std::wstring filters(std::initializer_list<Text> parts)
{
    std::wstring s;
    for (const Text& p : parts) {
        s += to_wide(p);
        s.push_back(L'\0');
    }
    return s;
}

} // namespace

HWND ListBox::create(HWND parent, int id, const Rect& r, HFONT font)
{
    register_class(&ListBox::proc);
    HWND h = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, class_name, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL, r.left, r.top, r.width,
                             r.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

ListBox* ListBox::of(HWND h)
{
    wchar_t cls[32];
    if (h == nullptr || GetClassNameW(h, cls, 32) == 0 || std::wcscmp(cls, class_name) != 0)
        return nullptr;
    return reinterpret_cast<ListBox*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

LRESULT CALLBACK ListBox::proc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    auto* self = reinterpret_cast<ListBox*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = new ListBox(h);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr)
        return DefWindowProcW(h, msg, w, l);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        if (self->measure_dc_ != nullptr)
            DeleteDC(self->measure_dc_);
        delete self;
        return DefWindowProcW(h, msg, w, l);
    }
    return self->handle(msg, w, l);
}

void ListBox::text_replaced()
{
    top_line_ = scroll_x_ = widest_ = 0;
    update_bars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    show_caret();
    tell_readers(true);
}

void ListBox::caret_moved(bool text_changed)
{
    if (text_changed)
        update_bars();
    reveal();
    InvalidateRect(hwnd_, nullptr, FALSE);
    show_caret();
    tell_readers(text_changed);
}

void ListBox::scroll_page(int direction) { scroll_to(top_line_ + direction * page_lines(), scroll_x_); }

// Windows has no desktop selection: only the clipboard is read.
ClipboardRead ListBox::clipboard_text(PasteSource from)
{
    if (from == PasteSource::selection)
        return {};
    bool busy = false;
    ClipboardRead read{ClipboardRead::text, {}};
    if (!read_clipboard_text(hwnd_, [&](std::wstring_view s) { read.content = pasted_text(s, pool_); }, &busy))
        return {busy ? ClipboardRead::busy : ClipboardRead::no_text, {}};
    return read;
}

bool ListBox::clipboard_has_text() { return IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE; }

// Lines stay CR LF, as Windows programs expect.
void ListBox::put_on_clipboard(const Text& t) { put_clipboard_text(hwnd_, to_wide(t)); }

std::optional<Text> ListBox::choose_file_to_open()
{
    const FileDialogWords& words = file_dialog_words();
    std::wstring name(32768, L'\0');
    const std::wstring filter = filters({words.text_files + " (*.txt)", Text("*.txt"), words.all_files + " (*.*)", Text("*.*")});
    const std::wstring title = to_wide(words.open_title);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn))
        return std::nullopt;
    return from_file_name(name.c_str());
}

std::optional<std::pair<Text, SaveEncoding>> ListBox::choose_file_to_save()
{
    const FileDialogWords& words = file_dialog_words();
    std::wstring name(32768, L'\0');
    const std::wstring filter =
        filters({words.gbk_text_files + " (*.txt)", Text("*.txt"), words.utf8_text_files + " (*.txt)", Text("*.txt")});
    const std::wstring title = to_wide(words.save_title);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = L"txt";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn))
        return std::nullopt;
    return std::pair{from_file_name(name.c_str()), ofn.nFilterIndex == 2 ? SaveEncoding::utf8 : SaveEncoding::gbk};
}

void ListBox::on_drop(WPARAM w)
{
    auto* drop = reinterpret_cast<HDROP>(w);
    std::wstring name;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        name.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        name.resize(DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size())));
    }
    DragFinish(drop);
    if (!name.empty())
        core_.open_file(from_file_name(name.c_str()));
}

int ListBox::advance(char32_t c)
{
    if (c < 0x10000 && widths_[c] != 0xFFFF)
        return widths_[c];
    wchar_t u[2] = {static_cast<wchar_t>(c), 0};
    int n = 1;
    if (c >= 0x10000) {
        u[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        u[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        n = 2;
    }
    SIZE size{};
    GetTextExtentPoint32W(measure_dc_, u, n, &size);
    if (c < 0x10000)
        widths_[c] = static_cast<unsigned short>(std::clamp<LONG>(size.cx, 0, 0xFFFE));
    return size.cx;
}

void ListBox::set_font(HFONT font)
{
    font_ = font;
    if (measure_dc_ == nullptr)
        measure_dc_ = CreateCompatibleDC(nullptr);
    SelectObject(measure_dc_, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(measure_dc_, &tm);
    line_height_ = std::max<int>(tm.tmHeight + tm.tmExternalLeading, 1);
    // Margin and caret grow with the font, so a larger screen scale keeps the design's look.
    margin_ = std::max(2, line_height_ / 8);
    caret_width_ = std::max(1, line_height_ / 16);
    std::fill(widths_.begin(), widths_.end(), 0xFFFF);
    byte_width_ = std::max(advance(U'0'), (advance(U'\u4e2d') + 1) / 2);
    widest_ = 0;
    update_bars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (GetFocus() == hwnd_) { // a caret of the new line height
        DestroyCaret();
        CreateCaret(hwnd_, nullptr, caret_width_, line_height_);
        show_caret();
        ShowCaret(hwnd_);
    }
}

int ListBox::page_lines()
{
    RECT r{};
    GetClientRect(hwnd_, &r);
    return std::max<int>(r.bottom / line_height_, 1);
}

int ListBox::content_width() const
{
    const std::size_t guess = editor().text().longest_line() * static_cast<std::size_t>(byte_width_);
    return std::max(widest_, static_cast<int>(std::min<std::size_t>(guess, INT_MAX / 2))) + 2 * margin_;
}

// The bars follow the text at the next paint, so that a run of appends moves
// them once: a scroll bar redrawn costs far more than a batch of lines added.
void ListBox::update_bars()
{
    bars_due_ = true;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ListBox::apply_bars()
{
    if (!bars_due_)
        return;
    bars_due_ = false;
    RECT r{};
    GetClientRect(hwnd_, &r);
    set_bar(SB_VERT, {line_count() - 1, page_lines(), top_line_}, shown_vertical_);
    set_bar(SB_HORZ, {content_width(), static_cast<int>(std::max<LONG>(r.right, 1)), scroll_x_}, shown_horizontal_);
}

// A bar is drawn anew only when its thumb or arrows change on screen: past a
// few thousand lines an append leaves the vertical thumb where it was.
void ListBox::set_bar(int bar, const Bar& b, Bar& shown)
{
    if (b == shown)
        return;
    shown = b;
    const LONG object = bar == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL;
    SCROLLBARINFO before{sizeof before, {}, 0, 0, 0, 0, {}}, after = before;
    const bool known = GetScrollBarInfo(hwnd_, object, &before) != FALSE;
    SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, 0, b.max, static_cast<UINT>(b.page), b.pos, 0};
    SetScrollInfo(hwnd_, bar, &si, FALSE);
    if (!known || GetScrollBarInfo(hwnd_, object, &after) == FALSE || before.xyThumbTop != after.xyThumbTop ||
        before.xyThumbBottom != after.xyThumbBottom || std::memcmp(before.rgstate, after.rgstate, sizeof before.rgstate) != 0)
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_DRAWFRAME);
}

void ListBox::scroll_to(int top_line, int x)
{
    RECT r{};
    GetClientRect(hwnd_, &r);
    top_line = std::clamp(top_line, 0, std::max(line_count() - page_lines(), 0));
    x = std::clamp(x, 0, std::max<int>(content_width() - r.right, 0));
    if (top_line == top_line_ && x == scroll_x_)
        return;
    top_line_ = top_line;
    scroll_x_ = x;
    update_bars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    show_caret();
}

void ListBox::reveal()
{
    RECT r{};
    GetClientRect(hwnd_, &r);
    const int line = editor().text().line_of(editor().caret());
    const int page = page_lines();
    int top = top_line_;
    if (line < top)
        top = line;
    else if (line >= top + page)
        top = line - page + 1;
    const int x = editor().x_of(editor().caret());
    int left = scroll_x_;
    if (x < left || x > left + r.right - 3 * margin_)
        left = std::max(x - static_cast<int>(r.right) * 2 / 3, 0);
    widest_ = std::max(widest_, x);
    scroll_to(top, left);
}

void ListBox::show_caret()
{
    if (GetFocus() != hwnd_)
        return;
    const int line = editor().text().line_of(editor().caret());
    SetCaretPos(text_left() + editor().x_of(editor().caret()), (line - top_line_) * line_height_);
}

// Only notes that something changed: a reader that listens asks for the
// value and the selection, which are cut to a few thousand bytes. The system
// caret (show_caret) tells where the caret is.
void ListBox::tell_readers(bool text_changed)
{
    const int line = editor().text().line_of(editor().caret());
    if (text_changed || line != told_line_)
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    if (text_changed || editor().caret() != told_caret_ || editor().anchor() != told_anchor_)
        NotifyWinEvent(EVENT_OBJECT_TEXTSELECTIONCHANGED, hwnd_, OBJID_CLIENT, CHILDID_SELF);
    told_line_ = line;
    told_caret_ = editor().caret();
    told_anchor_ = editor().anchor();
}

void ListBox::paint()
{
    apply_bars();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1));
    HGDIOBJ old_bitmap = SelectObject(mem, bitmap);
    HGDIOBJ old_font = SelectObject(mem, font_);
    // The parent (and a skin on it) colours the box as it colours edit boxes.
    SetTextColor(mem, GetSysColor(COLOR_WINDOWTEXT));
    auto ground = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd_), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(hwnd_)));
    const COLORREF text_colour = GetTextColor(mem);
    FillRect(mem, &rc, ground != nullptr ? ground : GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(mem, TRANSPARENT);
    const int widest = widest_, left = text_left();
    for (int line = top_line_, y = 0; line < line_count() && y < rc.bottom; ++line, y += line_height_) {
        lay_out_line(editor(), line, -left, rc.right - left, 0, measured_line_bytes, laid_);
        widest_ = std::max(widest_, laid_.width);
        if (laid_.selection_x >= 0) {
            const RECT r{left + laid_.selection_x, y, left + laid_.selection_end, y + line_height_};
            FillRect(mem, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        for (const GlyphRun& run : laid_.runs) {
            SetTextColor(mem, run.style == RunStyle::selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                              : run.style == RunStyle::marker ? marker_colour
                                                              : text_colour);
            ExtTextOutW(mem, left + run.x, y, 0, nullptr, reinterpret_cast<const wchar_t*>(run.text.data()),
                        static_cast<UINT>(run.text.size()), run.advances.data());
        }
    }
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old_font);
    SelectObject(mem, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    EndPaint(hwnd_, &ps);
    if (widest_ > widest) { // a line wider than guessed: the bar now, not at another paint
        bars_due_ = true;
        apply_bars();
    }
}

void ListBox::on_key(WPARAM key)
{
    if (const std::optional<BoxKey> k = box_key(key))
        core_.run(command_for_key(*k, held(VK_CONTROL), held(VK_SHIFT)));
}

void ListBox::on_char(wchar_t c)
{
    const auto key = [&](BoxKey k, bool ctrl) { core_.run(command_for_key(k, ctrl, false)); };
    if (c == L'\r') // Enter: a line break of the system's form
        return key(BoxKey::enter, false);
    if (c == L'\b' || c == 0x7F) // Backspace, and Ctrl+Backspace for a word
        return key(BoxKey::backspace, c == 0x7F);
    if (c >= 0xD800 && c < 0xDC00) { // the first half of a pair; the second follows
        high_surrogate_ = c;
        return;
    }
    std::u16string u;
    if (c >= 0xDC00 && c < 0xE000) {
        if (high_surrogate_ == 0)
            return;
        u = {static_cast<char16_t>(high_surrogate_), static_cast<char16_t>(c)};
    } else if (c >= 0x20 || c == L'\t') {
        u = {static_cast<char16_t>(c)};
    }
    high_surrogate_ = 0;
    if (!u.empty()) // Ctrl with a letter is a key, not a character
        core_.type(text_from_utf16(u).view());
}

void ListBox::on_mouse(LPARAM at, bool extend)
{
    const int row = floor_div(GET_Y_LPARAM(at), line_height_);
    core_.click(top_line_ + row, GET_X_LPARAM(at) - text_left(), extend);
}

void ListBox::on_scroll(int bar, int code)
{
    apply_bars();
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd_, bar, &si);
    const int step = bar == SB_VERT ? 1 : byte_width_ * 4;
    int pos = si.nPos;
    switch (code) {
    case SB_LINEUP: pos -= step; break;
    case SB_LINEDOWN: pos += step; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = si.nMin; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    if (bar == SB_VERT)
        scroll_to(pos, scroll_x_);
    else
        scroll_to(top_line_, pos);
}

namespace {

HMENU menu_of(const std::vector<BoxMenuItem>& items)
{
    HMENU menu = CreatePopupMenu();
    for (const BoxMenuItem& item : items) {
        if (item.separator())
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else if (!item.items.empty())
            AppendMenuW(menu, MF_POPUP | (item.enabled ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(menu_of(item.items)),
                        to_wide(item.caption).c_str());
        else
            AppendMenuW(menu, MF_STRING | (item.enabled ? 0 : MF_GRAYED), static_cast<UINT_PTR>(item.id()),
                        to_wide(item.caption).c_str());
    }
    return menu;
}

} // namespace

void ListBox::show_menu(LPARAM at)
{
    POINT pt{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (pt.x == -1 && pt.y == -1) { // from the keyboard: at the caret
        GetCaretPos(&pt);
        ClientToScreen(hwnd_, &pt);
    }
    HMENU menu = menu_of(core_.menu());
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, hwnd_, nullptr));
    DestroyMenu(menu); // and its submenus
    core_.choose(chosen); // nothing chosen: 0
}

LRESULT ListBox::handle(UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case WM_SETFONT: set_font(reinterpret_cast<HFONT>(w)); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_ERASEBKGND: return 1; // painting covers it all
    case WM_PAINT: paint(); return 0;
    case WM_SIZE:
        update_bars();
        scroll_to(top_line_, scroll_x_);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE: {
        // Tab moves on to the next control; every other key is the box's.
        const auto* m = reinterpret_cast<const MSG*>(l);
        if (m != nullptr && m->message == WM_KEYDOWN && m->wParam == VK_TAB)
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
    case WM_SETFOCUS:
        CreateCaret(hwnd_, nullptr, caret_width_, line_height_);
        show_caret();
        ShowCaret(hwnd_);
        return 0;
    case WM_KILLFOCUS:
        DestroyCaret();
        return 0;
    case WM_KEYDOWN: on_key(w); return 0;
    case WM_CHAR: on_char(static_cast<wchar_t>(w)); return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd_);
        SetCapture(hwnd_);
        dragging_ = true;
        SetTimer(hwnd_, drag_timer, 50, nullptr);
        on_mouse(l, (w & MK_SHIFT) != 0);
        return 0;
    case WM_LBUTTONDBLCLK: core_.select_word(editor().caret()); return 0;
    case WM_MOUSEMOVE:
        if (dragging_)
            on_mouse(l, true);
        return 0;
    case WM_TIMER: { // dragging beyond an edge keeps scrolling that way
        POINT pt;
        RECT r{};
        GetCursorPos(&pt);
        ScreenToClient(hwnd_, &pt);
        GetClientRect(hwnd_, &r);
        if (dragging_ && !PtInRect(&r, pt))
            on_mouse(MAKELPARAM(pt.x, pt.y), true);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
            KillTimer(hwnd_, drag_timer);
            if (msg == WM_LBUTTONUP)
                ReleaseCapture();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        wheel_ += GET_WHEEL_DELTA_WPARAM(w);
        const int notches = wheel_ / WHEEL_DELTA;
        wheel_ %= WHEEL_DELTA;
        scroll_to(top_line_ - notches * static_cast<int>(std::min<UINT>(lines, 100)), scroll_x_);
        return 0;
    }
    case WM_VSCROLL: on_scroll(SB_VERT, LOWORD(w)); return 0;
    case WM_HSCROLL: on_scroll(SB_HORZ, LOWORD(w)); return 0;
    case WM_CONTEXTMENU:
        SetFocus(hwnd_);
        show_menu(l);
        return 0;
    case WM_DROPFILES: on_drop(w); return 0;
    case WM_GETOBJECT:
        if (static_cast<LONG>(l) == OBJID_CLIENT) // the caret, scroll bars and frame stay the system's
            return answer_accessible_client(hwnd_, w);
        break;
    case WM_IME_STARTCOMPOSITION:
        if (HIMC imc = ImmGetContext(hwnd_)) { // the input method composes at the caret
            COMPOSITIONFORM form{CFS_POINT, {}, {}};
            GetCaretPos(&form.ptCurrentPos);
            ImmSetCompositionWindow(imc, &form);
            LOGFONTW lf{};
            if (GetObjectW(font_, sizeof lf, &lf) != 0)
                ImmSetCompositionFontW(imc, &lf);
            ImmReleaseContext(hwnd_, imc);
        }
        break;
    }
    return DefWindowProcW(hwnd_, msg, w, l);
}

} // namespace fenrow
