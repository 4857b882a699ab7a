#include "app/win32/list_box.h"

#include "app/win32/clipboard.h"
#include "app/win32/win_text.h"
#include "runtime/codepage.h"

#include <commdlg.h>
#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cwchar>

namespace fenrow {

namespace {

constexpr wchar_t class_name[] = L"FenrowListBox";
constexpr UINT_PTR drag_timer = 1;
constexpr COLORREF marker_colour = RGB(150, 150, 150);
// Lines up to this many bytes are measured whole when drawn, to widen the
// horizontal range; longer ones are left to the guess from their bytes.
constexpr std::size_t measured_line = 4096;

enum MenuItem : UINT {
    menu_undo = 1, menu_undo_operation, menu_redo, menu_cut, menu_copy, menu_paste, menu_delete, menu_select_all,
    menu_open, menu_save
};

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

} // namespace

HWND ListBox::create(HWND parent, int id, int left, int top, int width, int height, HFONT font)
{
    register_class(&ListBox::proc);
    HWND h = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES, class_name, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL,
                             left, top, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
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

void ListBox::set_text(ListText t)
{
    editor_.set_text(std::move(t));
    top_line_ = scroll_x_ = widest_ = 0;
    update_bars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    show_caret();
}

void ListBox::append(const Text& t)
{
    editor_.append(t.view());
    changed(false);
}

void ListBox::undo()
{
    // Typing since an operation has dropped its step, so this takes back one or the other.
    const bool operation = !editor_.can_undo_typing();
    const Text note = editor_.operation_note();
    if (!editor_.undo())
        return;
    if (operation)
        top_line_ = scroll_x_ = widest_ = 0;
    changed(true);
    if (operation && operation_undone)
        operation_undone(note);
}

namespace {

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

bool ListBox::open_file(const Text& path)
{
    const std::optional<Text> t = open_list_file(path);
    if (!t)
        return false;
    editor_.begin_operation();
    set_text(ListText::copy_of(t->view()));
    changed(true);
    return true;
}

bool ListBox::save_file(const Text& path, SaveEncoding e)
{
    return save_list_file(path, editor_.text().text(), e);
}

void ListBox::choose_file_to_open()
{
    std::wstring name(32768, L'\0');
    const std::wstring filter = filters({"文本文件 (*.txt)"_t, "*.txt"_t, "所有文件 (*.*)"_t, "*.*"_t});
    const std::wstring title = to_wide("打开文本"_t);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetAncestor(hwnd_, GA_ROOT);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&ofn))
        open_file(from_file_name(name.c_str()));
}

void ListBox::choose_file_to_save()
{
    std::wstring name(32768, L'\0');
    const std::wstring filter =
        filters({"文本文件，GBK 编码 (*.txt)"_t, "*.txt"_t, "文本文件，UTF-8 编码 (*.txt)"_t, "*.txt"_t});
    const std::wstring title = to_wide("另存为"_t);
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
    if (GetSaveFileNameW(&ofn))
        save_file(from_file_name(name.c_str()), ofn.nFilterIndex == 2 ? SaveEncoding::utf8 : SaveEncoding::gbk);
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
        open_file(from_file_name(name.c_str()));
}

void ListBox::paste_clipboard()
{
    const auto clip = clipboard_text(hwnd_);
    if (!clip || clip->empty())
        return;
    const Text t = from_edit(pasted_lines(*clip));
    if (editor_.insert(t.view()))
        changed(true);
}

void ListBox::select(std::size_t anchor, std::size_t caret)
{
    editor_.select(anchor, caret);
    moved();
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
    std::fill(widths_.begin(), widths_.end(), 0xFFFF);
    byte_width_ = std::max(advance(U'0'), (advance(U'\u4e2d') + 1) / 2);
    widest_ = 0;
    update_bars();
    InvalidateRect(hwnd_, nullptr, FALSE);
}

int ListBox::page_lines() const
{
    RECT r{};
    GetClientRect(hwnd_, &r);
    return std::max<int>(r.bottom / line_height_, 1);
}

int ListBox::content_width() const
{
    const std::size_t guess = editor_.text().longest_line() * static_cast<std::size_t>(byte_width_);
    return std::max(widest_, static_cast<int>(std::min<std::size_t>(guess, INT_MAX / 2))) + 4;
}

void ListBox::update_bars()
{
    RECT r{};
    GetClientRect(hwnd_, &r);
    SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    si.nMax = line_count() - 1;
    si.nPage = static_cast<UINT>(page_lines());
    si.nPos = top_line_;
    SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    si.nMax = content_width();
    si.nPage = static_cast<UINT>(std::max<LONG>(r.right, 1));
    si.nPos = scroll_x_;
    SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
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
    const int line = editor_.text().line_of(editor_.caret());
    const int page = page_lines();
    int top = top_line_;
    if (line < top)
        top = line;
    else if (line >= top + page)
        top = line - page + 1;
    const int x = editor_.x_of(editor_.caret());
    int left = scroll_x_;
    if (x < left || x > left + r.right - 6)
        left = std::max(x - static_cast<int>(r.right) * 2 / 3, 0);
    widest_ = std::max(widest_, x);
    scroll_to(top, left);
}

void ListBox::show_caret()
{
    if (GetFocus() != hwnd_)
        return;
    const int line = editor_.text().line_of(editor_.caret());
    SetCaretPos(text_left() + editor_.x_of(editor_.caret()), (line - top_line_) * line_height_);
}

void ListBox::moved()
{
    reveal();
    InvalidateRect(hwnd_, nullptr, FALSE);
    show_caret();
}

void ListBox::changed(bool by_user)
{
    update_bars();
    moved();
    if (by_user)
        SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), EN_CHANGE),
                     reinterpret_cast<LPARAM>(hwnd_));
}

void ListBox::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1));
    HGDIOBJ old_bitmap = SelectObject(mem, bitmap);
    HGDIOBJ old_font = SelectObject(mem, font_);
    SetTextColor(mem, GetSysColor(COLOR_WINDOWTEXT));
    // The parent (and a skin on it) colours the box as it colours edit boxes.
    auto ground = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(hwnd_), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(hwnd_)));
    FillRect(mem, &rc, ground != nullptr ? ground : GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(mem, TRANSPARENT);
    const int widest = widest_;
    for (int line = top_line_, y = 0; line < line_count() && y < rc.bottom; ++line, y += line_height_)
        paint_line(mem, line, y, rc.right);
    BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old_font);
    SelectObject(mem, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    EndPaint(hwnd_, &ps);
    if (widest_ > widest)
        update_bars();
}

void ListBox::paint_line(HDC dc, int line, int y, int right)
{
    const ListText& t = editor_.text();
    const auto [sel_from, sel_to] = editor_.selection();
    const std::size_t start = t.line_start(line), end = t.line_end(line);
    const bool measure_all = end - start <= measured_line;
    const COLORREF text_colour = GetTextColor(dc);
    const int left = text_left();
    int x = 0, run_x = 0;
    bool run_selected = false, run_marker = false, reached_end = true;
    const auto flush = [&] {
        if (run_.empty())
            return;
        if (run_selected) {
            const RECT r{left + run_x, y, left + x, y + line_height_};
            FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        SetTextColor(dc, run_selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : run_marker ? marker_colour : text_colour);
        ExtTextOutW(dc, left + run_x, y, 0, nullptr, run_.data(), static_cast<UINT>(run_.size()), run_dx_.data());
        run_.clear();
        run_dx_.clear();
    };
    for_each_glyph(t.line(line), start, [&](const Glyph& g) {
        const int w = editor_.width(g, x);
        if (left + x + w <= 0 || left + x >= right) { // outside the view: only measured
            if (left + x >= right && !measure_all) {
                reached_end = false;
                return false;
            }
            x += w;
            return true;
        }
        const bool selected = g.pos >= sel_from && g.pos < sel_to;
        if (!run_.empty() && (selected != run_selected || g.marker != run_marker))
            flush();
        if (run_.empty()) {
            run_x = x;
            run_selected = selected;
            run_marker = g.marker;
        }
        if (g.c >= 0x10000) {
            run_.push_back(static_cast<wchar_t>(0xD800 + ((g.c - 0x10000) >> 10)));
            run_.push_back(static_cast<wchar_t>(0xDC00 + ((g.c - 0x10000) & 0x3FF)));
            run_dx_.push_back(w);
            run_dx_.push_back(0);
        } else {
            run_.push_back(g.c == '\t' ? L' ' : static_cast<wchar_t>(g.c));
            run_dx_.push_back(w);
        }
        x += w;
        return true;
    });
    flush();
    SetTextColor(dc, text_colour);
    if (!reached_end)
        return;
    widest_ = std::max(widest_, x);
    // A selected line break shows as a cell of the selection's colour.
    if (line + 1 < line_count() && sel_from <= end && sel_to > end) {
        const RECT r{left + x, y, left + x + advance(U' '), y + line_height_};
        FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
}

void ListBox::on_key(WPARAM key)
{
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    const auto go = [&](Move m) {
        editor_.move(m, shift, page_lines());
        moved();
    };
    switch (key) {
    case VK_LEFT: go(ctrl ? Move::word_left : Move::left); break;
    case VK_RIGHT: go(ctrl ? Move::word_right : Move::right); break;
    case VK_UP: go(Move::up); break;
    case VK_DOWN: go(Move::down); break;
    case VK_HOME: go(ctrl ? Move::text_start : Move::line_start); break;
    case VK_END: go(ctrl ? Move::text_end : Move::line_end); break;
    case VK_PRIOR:
        scroll_to(top_line_ - page_lines(), scroll_x_);
        go(Move::page_up);
        break;
    case VK_NEXT:
        scroll_to(top_line_ + page_lines(), scroll_x_);
        go(Move::page_down);
        break;
    case VK_DELETE:
        if (shift)
            cut();
        else if (ctrl ? editor_.erase_to(Move::word_right) : editor_.erase_forward())
            changed(true);
        break;
    case VK_INSERT:
        if (ctrl)
            copy();
        else if (shift)
            paste_clipboard();
        break;
    default:
        if (!ctrl)
            break;
        if (key == 'A')
            select_all();
        else if (key == 'C')
            copy();
        else if (key == 'X')
            cut();
        else if (key == 'V')
            paste_clipboard();
        else if (key == 'Z' && !shift)
            undo();
        else if ((key == 'Y' || key == 'Z') && editor_.redo())
            changed(true); // Ctrl+Y or Ctrl+Shift+Z puts back
        break;
    }
}

void ListBox::on_char(wchar_t c)
{
    if (c == L'\r') { // Enter: a line break of the system's form
        if (editor_.type("\r\n"))
            changed(true);
        return;
    }
    if (c == L'\b' || c == 0x7F) { // Backspace, and Ctrl+Backspace for a word
        if (c == L'\b' ? editor_.erase_back() : editor_.erase_to(Move::word_left))
            changed(true);
        return;
    }
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
    if (u.empty()) // Ctrl with a letter: handled as a key
        return;
    const Text t = text_from_utf16(u);
    if (editor_.type(t.view()))
        changed(true);
}

void ListBox::on_mouse(LPARAM at, bool extend)
{
    const int row = floor_div(GET_Y_LPARAM(at), line_height_);
    editor_.click(top_line_ + row, GET_X_LPARAM(at) - text_left(), extend);
    moved();
}

void ListBox::on_scroll(int bar, int code)
{
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

void ListBox::copy()
{
    if (editor_.has_selection())
        put_clipboard_text(hwnd_, to_wide(Text(editor_.selected())));
}

void ListBox::cut()
{
    if (!editor_.has_selection())
        return;
    copy();
    if (editor_.insert({}))
        changed(true);
}

void ListBox::show_menu(LPARAM at)
{
    POINT pt{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (pt.x == -1 && pt.y == -1) { // from the keyboard: at the caret
        GetCaretPos(&pt);
        ClientToScreen(hwnd_, &pt);
    }
    const bool selection = editor_.has_selection();
    HMENU menu = CreatePopupMenu();
    const auto add = [&](UINT id, const Text& caption, bool on) {
        AppendMenuW(menu, MF_STRING | (on ? 0 : MF_GRAYED), id, to_wide(caption).c_str());
    };
    add(menu_undo, "撤销(&U)"_t, editor_.can_undo_typing());
    add(menu_undo_operation, "撤销上次操作(&L)"_t, editor_.can_undo_operation());
    add(menu_redo, "重做(&R)"_t, editor_.can_redo());
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(menu_cut, "剪切(&T)"_t, selection);
    add(menu_copy, "复制(&C)"_t, selection);
    add(menu_paste, "粘贴(&P)"_t, IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
    add(menu_delete, "删除(&D)"_t, selection);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(menu_select_all, "全选(&A)"_t, editor_.text().size() > 0);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(menu_open, "打开文本(&O)…"_t, true);
    add(menu_save, "另存为(&S)…"_t, true);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pt.x, pt.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    switch (chosen) {
    case menu_undo:
    case menu_undo_operation: undo(); break;
    case menu_redo:
        if (editor_.redo())
            changed(true);
        break;
    case menu_cut: cut(); break;
    case menu_copy: copy(); break;
    case menu_paste: paste_clipboard(); break;
    case menu_delete:
        if (editor_.insert({}))
            changed(true);
        break;
    case menu_select_all: select_all(); break;
    case menu_open: choose_file_to_open(); break;
    case menu_save: choose_file_to_save(); break;
    default: break;
    }
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
        CreateCaret(hwnd_, nullptr, 1, line_height_);
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
    case WM_LBUTTONDBLCLK:
        editor_.select_word(editor_.caret());
        moved();
        return 0;
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
