// The Windows window against the control table, the layout rule and the
// shell, with the system's controls (under Wine's headless display driver).
#include "app/win32/main_window.h"

#include "app/control_table.h"
#include "tests/app/window_contract.h"
#include "app/memory_window.h"
#include "app/win32/clipboard.h"
#include "app/win32/desktop_win32.h"
#include "app/win32/dpi.h"
#include "app/win32/list_box.h"
#include "app/win32/win_text.h"
#include "app/window_settings.h"
#include "runtime/codepage.h"
#include "runtime/work_pool.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/fatal_exit.h"
#include "tests/support/temp_dir.h"

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>

using namespace fenrow;

namespace {

// As the program does before its first window.
const bool dpi_aware = (declare_dpi_awareness(), true);

void pump(Win32Window& w)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!w.preview(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void resize_client(Win32Window& w, int width, int height)
{
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(w.handle(), GWL_STYLE)), FALSE, 0);
    SetWindowPos(w.handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    pump(w);
}

std::wstring window_text(HWND h)
{
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(h, s.data(), static_cast<int>(s.size()))));
    return s;
}

std::wstring pane(Win32Window& w, int i)
{
    HWND bar = w.control_handle(ctl::status_bar);
    std::wstring s(static_cast<std::size_t>(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, i, 0))) + 1, L'\0');
    s.resize(LOWORD(SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(s.data()))));
    return s;
}

void CALLBACK close_window(HWND h, UINT, UINT_PTR, DWORD) { PostMessageW(h, WM_CLOSE, 0, 0); }

// The client size of the design at the window's scale.
void resize_to_design(Win32Window& w)
{
    resize_client(w, w.scale().device(design_client_width), w.scale().device(design_client_height));
}

struct Win32Driver {
    Win32Driver()
    {
        ShowWindow(w.handle(), SW_SHOW);
        resize_to_design(w);
    }
    TableWindow& window() { return w; }
    void pump()
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        ::pump(w);
    }
    void resize_client(int width, int height) { ::resize_client(w, width, height); }
    bool minimise()
    {
        ShowWindow(w.handle(), SW_MINIMIZE);
        ::pump(w);
        return true;
    }
    void restore()
    {
        ShowWindow(w.handle(), SW_RESTORE);
        ::pump(w);
    }
    Rect placed(ControlName c)
    {
        HWND h = w.control_handle(c);
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
        // A closed combo box takes the system's own height.
        const bool combo = find_control(c)->kind == ControlKind::combo_box;
        return {r.left, r.top, r.right - r.left, combo ? w.scale().device(w.get_geometry(c)).height : r.bottom - r.top};
    }
    bool rescale(int dpi)
    {
        const Scale scale{dpi};
        RECT r{0, 0, scale.device(design_client_width), scale.device(design_client_height)};
        // The rectangle the system suggests; Wine draws one frame on every screen.
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(w.handle(), GWL_STYLE)), FALSE, 0);
        SendMessageW(w.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        ::pump(w);
        return true;
    }
    Text shown(ControlName c) { return from_wide(window_text(w.control_handle(c))); }
    Text pane(int i) { return from_wide(::pane(w, i)); }
    bool caption_fits(ControlName c)
    {
        HWND h = w.control_handle(c);
        const std::wstring s = window_text(h);
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        RECT r;
        GetClientRect(h, &r);
        return size.cx <= r.right;
    }
    void click(ControlName c)
    {
        SendMessageW(w.control_handle(c), BM_CLICK, 0, 0);
        ::pump(w);
    }
    void type(ControlName box, std::u16string_view keys)
    {
        for (const char16_t k : keys)
            SendMessageW(w.control_handle(box), WM_CHAR, k, 0);
    }
    void put_on_clipboard(std::u16string_view s)
    {
        put_clipboard_text(w.handle(), std::wstring(s.begin(), s.end()));
    }
    void offer_no_text()
    {
        OpenClipboard(w.handle());
        EmptyClipboard();
        CloseClipboard();
    }
    void point_at(ControlName c)
    {
        RECT r;
        GetWindowRect(c == ctl::main_window ? w.handle() : w.control_handle(c), &r);
        SetCursorPos(r.left + 3, r.top + 3);
        PostMessageW(w.handle(), WM_MOUSEMOVE, 0, 0);
        ::pump(w);
    }

    bool quiet = (usage_counter_at_start = false, true); // no page is fetched
    Win32Window w;
};

class Win32WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        usage_counter_at_start = false;
        ShowWindow(window.handle(), SW_SHOW);
        resize_to_design(window);
    }
    Win32Window window;
};

// Where a control stands in the window's client area, in the screen's pixels;
// a closed combo box as tall as its design.
Rect on_screen(Win32Window& w, ControlName c)
{
    HWND h = w.control_handle(c);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, w.handle(), reinterpret_cast<POINT*>(&r), 2);
    const bool combo = find_control(c)->kind == ControlKind::combo_box;
    return {r.left, r.top, r.right - r.left, combo ? w.scale().device(w.get_geometry(c)).height : r.bottom - r.top};
}

bool overlap(const Rect& a, const Rect& b)
{
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

int font_height(HWND h)
{
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return -lf.lfHeight;
}

} // namespace

namespace fenrow {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowContract, Win32Driver);
} // namespace fenrow

// At the scale the process starts with (the test runs once at each of 96,
// 120, 144 and 192 pixels per inch): the design's client area and every
// control on the design's edges times the scale, nothing overlapping that the
// design keeps apart, the status bar below the boxes, the fonts scaled.
TEST(Win32Scale, WindowIsTheDesignAtTheStartingScale)
{
    usage_counter_at_start = false;
    Win32Window w;
    ShowWindow(w.handle(), SW_SHOW);
    pump(w);
    const Scale scale = w.scale();
    EXPECT_EQ(scale.dpi, window_dpi(w.handle()));
    std::fprintf(stderr, "at %d pixels per inch\n", scale.dpi);
    RECT client;
    GetClientRect(w.handle(), &client);
    EXPECT_NEAR(client.right, scale.device(design_client_width), 2);
    EXPECT_NEAR(client.bottom, scale.device(design_client_height), 2);

    MemoryControls design(control_table());
    layout_controls(design);
    std::vector<std::pair<Rect, Rect>> places; // in the client area: the design's, the screen's
    std::vector<ControlName> names;
    for (const ControlSpec& c : control_table()) {
        if (c.kind == ControlKind::status_bar)
            continue;
        Rect d = design.get_geometry(c.name);
        for (ControlName at = c.container; !(at == ctl::main_window); at = find_control(at)->container) {
            d.left += design.get_geometry(at).left;
            d.top += design.get_geometry(at).top;
        }
        const Rect want = scale.device(d), got = on_screen(w, c.name);
        EXPECT_NEAR(got.left, want.left, 2) << c.name.utf8;
        EXPECT_NEAR(got.top, want.top, 2) << c.name.utf8;
        EXPECT_NEAR(got.width, want.width, 2) << c.name.utf8;
        EXPECT_NEAR(got.height, want.height, 2) << c.name.utf8;
        places.emplace_back(d, got);
        names.push_back(c.name);
    }
    for (std::size_t i = 0; i < places.size(); ++i) {
        for (std::size_t j = i + 1; j < places.size(); ++j) {
            if (!overlap(places[i].first, places[j].first)) {
                EXPECT_FALSE(overlap(places[i].second, places[j].second)) << names[i].utf8 << " and " << names[j].utf8;
            }
        }
    }
    RECT bar;
    GetWindowRect(w.control_handle(ctl::status_bar), &bar);
    MapWindowPoints(nullptr, w.handle(), reinterpret_cast<POINT*>(&bar), 2);
    for (ControlName above : {ctl::left_box, ctl::right_box, ctl::pointer_note}) {
        const Rect r = on_screen(w, above);
        EXPECT_LE(r.top + r.height, bar.top) << above.utf8;
    }
    const auto fonts_follow = [&w](const Scale& s) {
        for (ControlName c : {ctl::convert_button, ctl::left_box, ctl::status_bar, ctl::prefix_check, ctl::feedback_link})
            EXPECT_EQ(font_height(w.control_handle(c)), s.device(design_font_size)) << c.utf8 << " at " << s.dpi;
    };
    fonts_follow(scale);
    // Moved to a screen of another scale: new fonts everywhere.
    const Scale other{scale.dpi == 120 ? 96 : 120};
    RECT suggested;
    GetWindowRect(w.handle(), &suggested);
    SendMessageW(w.handle(), WM_DPICHANGED, MAKEWPARAM(other.dpi, other.dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.scale(), other);
    fonts_follow(other);
}

// Keys as the keyboard gives them, with Ctrl and Shift held as asked.
void press(HWND box, WPARAM key, bool ctrl = false, bool shift = false)
{
    BYTE state[256] = {};
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(box, WM_KEYDOWN, key, 0);
    SetKeyboardState(std::array<BYTE, 256>{}.data());
}

TEST_F(Win32WindowTest, LargeBoxTakesKeysAsATextBoxDoes)
{
    HWND box = window.control_handle(ctl::left_box);
    int changes = 0;
    window.event_observer = [&](ControlName c, Event e) { changes += c == ctl::left_box && e == Event::content_changed; };
    window.set_content(ctl::left_box, "ab\r\n\xd6\xd0z");
    changes = 0;
    press(box, VK_END, true);     // the text's end
    press(box, VK_LEFT, false, true);
    press(box, VK_LEFT, false, true); // z and the two-byte character selected
    SendMessageW(box, WM_CHAR, 0xD83D, 0);
    SendMessageW(box, WM_CHAR, 0xDE00, 0); // a pair typed over them
    EXPECT_EQ(window.get_content(ctl::left_box), Text("ab\r\n") + unicode_to_cp936(U"\U0001F600"));
    press(box, VK_HOME, true);
    press(box, VK_DELETE);
    SendMessageW(box, WM_CHAR, L'\b', 0); // nothing before the caret
    EXPECT_EQ(window.get_content(ctl::left_box), Text("b\r\n") + unicode_to_cp936(U"\U0001F600"));
    press(box, 'A', true);
    press(box, 'X', true);
    EXPECT_EQ(window.get_content(ctl::left_box), Text(""));
    press(box, 'V', true);
    press(box, 'V', true);
    EXPECT_EQ(window.get_content(ctl::left_box), Text("b\r\n") + unicode_to_cp936(U"\U0001F600") + Text("b\r\n") +
                                                     unicode_to_cp936(U"\U0001F600"));
    press(box, 'Z', true);
    press(box, 'Z', true);
    press(box, 'Y', true);
    EXPECT_EQ(window.get_content(ctl::left_box), Text("b\r\n") + unicode_to_cp936(U"\U0001F600"));
    EXPECT_EQ(changes, 8); // once for each edit and each step taken back or put back
    EXPECT_EQ(from_wide(window_text(window.control_handle(ctl::count_left))), "总共：2行 ↓"_t);
}

namespace {

IAccessible* accessible(HWND h)
{
    IAccessible* a = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(h, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&a));
    return SUCCEEDED(found) ? a : nullptr;
}

VARIANT self()
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::wstring read(IAccessible* a, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*))
{
    BSTR s = nullptr;
    if (FAILED((a->*get)(self(), &s)))
        return L"(failed)";
    std::wstring r = s != nullptr ? std::wstring(s, SysStringLen(s)) : L"";
    SysFreeString(s);
    return r;
}

LONG number(IAccessible* a, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*))
{
    VARIANT v;
    VariantInit(&v);
    return SUCCEEDED((a->*get)(self(), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}

HWND events_from = nullptr;
std::vector<DWORD> events_seen;
void CALLBACK note_event(HWINEVENTHOOK, DWORD event, HWND h, LONG object, LONG, DWORD, DWORD)
{
    if (h == events_from && object == OBJID_CLIENT)
        events_seen.push_back(event);
}

} // namespace

// What a screen reader asks of a large box: its role and name, the caret's
// line as its value and the selection as its description, each cut short,
// so a box of a million lines is never converted whole.
TEST_F(Win32WindowTest, LargeBoxesAnswerScreenReaders)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HWND box = window.control_handle(ctl::left_box);
    window.set_content(ctl::left_box, "ab\r\n\xd6\xd0z\r\nlast");
    SetFocus(box);
    events_from = box;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_TEXTSELECTIONCHANGED, nullptr,
                                         &note_event, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    press(box, VK_DOWN);
    press(box, VK_RIGHT, false, true);
    pump(window);
    UnhookWinEvent(hook);
    EXPECT_EQ(events_seen, (std::vector<DWORD>{EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_TEXTSELECTIONCHANGED,
                                                EVENT_OBJECT_TEXTSELECTIONCHANGED})); // the line, then only the selection
    IAccessible* a = accessible(box);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(number(a, &IAccessible::get_accRole), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(read(a, &IAccessible::get_accName), L"原文本");
    EXPECT_EQ(read(a, &IAccessible::get_accValue), L"中z");
    EXPECT_EQ(read(a, &IAccessible::get_accDescription), L"中");
    EXPECT_EQ(number(a, &IAccessible::get_accState) & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED),
              STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);

    std::string huge;
    for (int i = 0; i < 1000000; ++i)
        huge += "account" + std::to_string(i) + "\r\n";
    window.set_content(ctl::left_box, Text(huge + "end"));
    press(box, VK_END, true);
    press(box, VK_UP, false, true);
    press(box, VK_HOME, false, true); // the last account and its line break selected
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read(a, &IAccessible::get_accValue), L"account999999");
    EXPECT_EQ(read(a, &IAccessible::get_accDescription), L"account999999\r\nend");
    press(box, 'A', true);
    EXPECT_EQ(read(a, &IAccessible::get_accDescription).size(), accessible_text_bytes);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    a->Release();

    IAccessible* right = accessible(window.control_handle(ctl::right_box));
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(read(right, &IAccessible::get_accName), L"结果文本");
    EXPECT_EQ(read(right, &IAccessible::get_accValue), L"");
    right->Release();
    CoUninitialize();
}

// A file dropped from the shell replaces the box's text as an operation Ctrl+Z
// takes back; a file that is no text leaves the box as it was and says why.
TEST_F(Win32WindowTest, DroppedFileReplacesTheTextAndUndoBringsItBack)
{
    FakeDesktop desktop;
    test::TempDir dir("win32_drop");
    std::ofstream(dir.path() / "utf8.txt", std::ios::binary) << "\xef\xbb\xbf" "a\n\xe4\xb8\xad";
    std::ofstream(dir.path() / "zero.txt", std::ios::binary) << std::string("a\0", 2);
    HWND box = window.control_handle(ctl::left_box);
    const auto drop = [box](const std::filesystem::path& file) {
        const std::wstring name = file.wstring();
        const std::size_t bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        auto* files = static_cast<DROPFILES*>(GlobalLock(h));
        files->pFiles = sizeof(DROPFILES);
        files->fWide = TRUE;
        std::wmemcpy(reinterpret_cast<wchar_t*>(files + 1), name.c_str(), name.size());
        GlobalUnlock(h);
        SendMessageW(box, WM_DROPFILES, reinterpret_cast<WPARAM>(h), 0); // the box frees it
    };
    window.set_content(ctl::left_box, "kept");
    drop(dir.path() / "utf8.txt");
    EXPECT_EQ(window.get_content(ctl::left_box), Text("a\r\n\xd6\xd0"));
    EXPECT_EQ(from_wide(window_text(window.control_handle(ctl::count_left))), "总共：2行 ↓"_t);
    drop(dir.path() / "zero.txt");
    EXPECT_EQ(window.get_content(ctl::left_box), Text("a\r\n\xd6\xd0"));
    EXPECT_EQ(desktop.boxes.size(), 1u);
    press(box, 'Z', true);
    EXPECT_EQ(window.get_content(ctl::left_box), Text("kept"));
}

// Windows programs expect lines ending in CR LF on the clipboard.
// While an operation runs, Esc reaches it and nothing else the user does
// reaches the window: typed keys are dropped, the boxes stay.
TEST_F(Win32WindowTest, EscDuringAnOperationStopsItAndOtherInputIsDropped)
{
    window.set_watch_timing({std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    window.set_content(ctl::left_box, "a\r\nb\r\na");
    HWND box = window.control_handle(ctl::left_box);
    PostMessageW(box, WM_CHAR, 'x', 0);
    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
    window.raise(ctl::dedupe_button, Event::clicked);
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "a\r\nb\r\na");
    EXPECT_EQ(window.get_content(ctl::right_box).str(), "");
    window.raise(ctl::dedupe_button, Event::clicked); // no Esc: it runs
    EXPECT_EQ(window.get_content(ctl::right_box).str(), "a\r\nb");
}

TEST_F(Win32WindowTest, ClipboardKeepsCrLfLines)
{
    install_win32_services(&window);
    ASSERT_TRUE(clipboard_set_text(Text("a\r\n\xd6\xd0")));
    install_win32_services(nullptr);
    EXPECT_EQ(clipboard_text(window.handle()), std::optional<std::wstring>(L"a\r\n\u4e2d"));
}

// The three marks Windows' clipboard history, cloud clipboard and monitors read.
bool kept_out_of_history(HWND owner)
{
    const PrivateClipboardFormats& f = private_clipboard_formats();
    if (!OpenClipboard(owner))
        return false;
    const auto dword_zero = [](UINT format) {
        HANDLE data = GetClipboardData(format);
        const auto* p = data != nullptr && GlobalSize(data) >= sizeof(DWORD) ? static_cast<const DWORD*>(GlobalLock(data)) : nullptr;
        const bool zero = p != nullptr && *p == 0;
        if (p != nullptr)
            GlobalUnlock(data);
        return zero;
    };
    const bool marked = IsClipboardFormatAvailable(f.exclude_from_monitors) && dword_zero(f.history) && dword_zero(f.cloud);
    CloseClipboard();
    return marked;
}

TEST_F(Win32WindowTest, CopiesStayOutOfClipboardHistory)
{
    install_win32_services(&window);
    ASSERT_TRUE(clipboard_set_text(Text("a----1")));
    install_win32_services(nullptr);
    EXPECT_TRUE(kept_out_of_history(window.handle()));

    OpenClipboard(window.handle());
    EmptyClipboard();
    CloseClipboard();
    window.set_content(ctl::right_box, Text("b----2\r\n\xd6\xd0"));
    HWND box = window.control_handle(ctl::right_box);
    press(box, 'A', true);
    press(box, 'C', true);
    EXPECT_TRUE(kept_out_of_history(window.handle()));
    EXPECT_EQ(clipboard_text(window.handle()), std::optional<std::wstring>(L"b----2\r\n\u4e2d"));
}

// Another program holds the clipboard open: a moment is waited out; longer,
// the box keeps its text and the hint pane says why.
TEST_F(Win32WindowTest, PasteWhileAnotherWindowHoldsTheClipboard)
{
    put_clipboard_text(window.handle(), L"new");
    const Text kept("a----1\r\n\xd5\xcb\xba\xc5");
    for (const int held_ms : {2000, 60}) {
        window.set_content(ctl::left_box, kept);
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        bool opened = false;
        std::thread holder([&] {
            HWND own = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            opened = OpenClipboard(own);
            SetEvent(held);
            Sleep(static_cast<DWORD>(held_ms));
            if (opened)
                CloseClipboard();
            DestroyWindow(own);
        });
        WaitForSingleObject(held, INFINITE);
        SendMessageW(window.control_handle(ctl::paste_left), BM_CLICK, 0, 0);
        holder.join();
        CloseHandle(held);
        ASSERT_TRUE(opened);
        if (held_ms > 1000) {
            EXPECT_EQ(window.get_content(ctl::left_box), kept);
            EXPECT_EQ(from_wide(pane(window, hint_pane)), "剪贴板被其他程序占用"_t);
        } else {
            EXPECT_EQ(window.get_content(ctl::left_box), Text("new"));
        }
    }
}

// A large box converts the clipboard in one pass; it must agree with the two steps of a small box.
// Closing saves the system's controls as they stand; the next window shows them,
// a radio box turned on having turned its sibling off.
TEST(Win32Settings, ClosingSavesTheOptionsAndTheNextWindowShowsThem)
{
    usage_counter_at_start = false;
    const test::TempDir dir("fenrow-settings-");
    window_settings_file = text_from_utf16((dir.path() / "fenrow.ini").u16string());
    {
        Win32Window first;
        ShowWindow(first.handle(), SW_SHOW);
        SetWindowTextW(first.control_handle(ctl::top_line), L" [\x9876\x5c42]=;\\ ");
        SendMessageW(first.control_handle(ctl::number_check), BM_CLICK, 0, 0);
        SendMessageW(first.control_handle(ctl::mark_last), BM_CLICK, 0, 0);
        SendMessageW(first.control_handle(ctl::file_extension), CB_SETCURSEL, 1, 0);
        SendMessageW(first.handle(), WM_CLOSE, 0, 0);
        pump(first);
    }
    ASSERT_TRUE(std::filesystem::is_regular_file(dir.path() / "fenrow.ini"));
    Win32Window next;
    window_settings_file = Text();
    EXPECT_EQ(next.get_content(ctl::top_line), " [顶层]=;\\ "_t);
    const auto checked = [&](ControlName c) { return SendMessageW(next.control_handle(c), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    EXPECT_FALSE(checked(ctl::number_check));
    EXPECT_TRUE(checked(ctl::mark_last));
    EXPECT_FALSE(checked(ctl::mark_first));
    EXPECT_EQ(SendMessageW(next.control_handle(ctl::file_extension), CB_GETCURSEL, 0, 0), 1);
}

TEST(Win32Text, PastedLinesEndInCrLfAndLoseOnlyZeros)
{
    const struct { std::wstring in, out; } cases[] = {
        {L"", L""}, {L"a\nb", L"a\r\nb"}, {L"a\r\nb\r\n", L"a\r\nb\r\n"}, {L"\r\r\n\n", L"\r\n\r\n\r\n"},
        {std::wstring(L"a\0b", 3), L"ab"}, {L"\u4e2d\n", L"\u4e2d\r\n"}, {L"\r", L"\r\n"},
        {L"a\u2029b\u2028", L"a\u2029b\u2028"}, {L"\xd83d\xde00\r\n\xd83d\n\xde00\xdc0d", L"\xd83d\xde00\r\n\xd83d\r\n\xde00\xdc0d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pasted_lines(c.in), c.out);
        EXPECT_EQ(pasted_text(c.in), from_edit(pasted_lines(c.in)));
    }
    // A long paste is cut into stretches on a pool and read eight units at a
    // time: random mixes of every kind of unit, at every offset, must agree
    // (zeros aside: one between a pair's halves parts them, as it always did).
    WorkPool pool(4);
    std::mt19937 rng(28);
    const wchar_t kinds[] = {L'a', L'~', L'\r', L'\n', L'\t', 0x7F, 0x80, 0x4e2d, 0x20AC, 0x2029, 0xD83D, 0xDE00, 0xDC41, 0xFFFD};
    for (const std::size_t length : {std::size_t{37}, std::size_t{700000}}) {
        std::wstring in(length, L'x');
        for (wchar_t& c : in)
            c = rng() % 4 == 0 ? kinds[rng() % std::size(kinds)] : static_cast<wchar_t>(L'a' + rng() % 26);
        EXPECT_EQ(pasted_text(in, &pool), from_edit(pasted_lines(in))) << length;
    }
}

// The Windows programs' own memchr and memcmp, against a byte at a time, over
// every length and offset around the sixteen-byte steps.
TEST(Win32Text, ByteSearchAgreesWithAByteLoop)
{
    std::string a(80, 'a');
    for (std::size_t from = 0; from < 17; ++from) {
        for (std::size_t n = 0; from + n <= a.size(); ++n) {
            for (const std::size_t at : {std::size_t{0}, n / 2, n ? n - 1 : 0}) {
                std::string b = a;
                if (n > 0)
                    b[from + at] = 'b';
                const void* found = std::memchr(b.data() + from, 'b', n);
                EXPECT_EQ(found, n > 0 ? b.data() + from + at : nullptr);
                const int sign = n > 0 ? -1 : 0; // 'a' < 'b'
                const int cmp = std::memcmp(a.data() + from, b.data() + from, n);
                EXPECT_EQ((cmp > 0) - (cmp < 0), sign);
                b[from + at] = static_cast<char>(0xE0); // above every ASCII byte, unsigned
                const int high = std::memcmp(b.data() + from, a.data() + from, n);
                EXPECT_EQ((high > 0) - (high < 0), n > 0 ? 1 : 0);
            }
        }
    }
}

// Their own memmove and memcpy, against a byte at a time through a copy, for
// every length up to a few sixteen-byte steps and targets on either side of
// the source, overlapping or not.
TEST(Win32Text, ByteMoveAgreesWithAByteLoop)
{
    // Byte loops through volatile bytes, which the compiler cannot make into
    // a call to the functions under test.
    const auto fill = [](volatile unsigned char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            p[i] = static_cast<unsigned char>(i * 7 + 1);
    };
    constexpr std::size_t size = 160;
    for (std::size_t n = 0; n <= 70; ++n) {
        for (std::size_t from = 0; from + n <= size; from += 3) {
            for (std::size_t to = 0; to + n <= size; to += 5) {
                volatile unsigned char want[size], bytes[size];
                fill(want, size);
                for (std::size_t i = 0; i < n; ++i)
                    bytes[i] = want[from + i];
                for (std::size_t i = 0; i < n; ++i)
                    want[to + i] = bytes[i];
                const auto same = [&](const unsigned char* got) {
                    for (std::size_t i = 0; i < size; ++i) {
                        if (got[i] != want[i])
                            return false;
                    }
                    return true;
                };
                unsigned char got[size];
                fill(got, size);
                ASSERT_EQ(std::memmove(got + to, got + from, n), got + to);
                ASSERT_TRUE(same(got)) << n << " bytes from " << from << " to " << to;
                if (to + n <= from || from + n <= to) {
                    fill(got, size);
                    std::memcpy(got + to, got + from, n);
                    ASSERT_TRUE(same(got)) << n << " bytes from " << from << " to " << to;
                }
            }
        }
    }
}

TEST(Win32WindowDeathTest, ClosingTheWindowWhileAWorkerWaitsEndsWithZero)
{
    EXPECT_EXIT(
        {
            usage_counter_at_start = false;
            std::exit([] {
                Win32Window w;
                w.start_owned_worker([&w](std::stop_token stop) {
                    while (!stop.stop_requested())
                        w.append_text(ctl::right_box, "line\r\n");
                });
                SetTimer(w.handle(), 1, 300, &close_window);
                MSG msg;
                while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
                return static_cast<int>(msg.wParam);
            }());
        },
        testing::ExitedWithCode(0), "");
}

namespace {

// Waits for the system's message box with that title, notes its title and
// text on standard error and presses its OK button.
void answer_box_from_a_thread(const wchar_t* title)
{
    std::thread([title] {
        for (int i = 0; i < 200; ++i) {
            if (HWND box = FindWindowW(L"#32770", title)) {
                wchar_t text[256] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 255); // the box's message
                std::fprintf(stderr, "box: %s / %s\n", text_to_utf8(from_wide(title)).c_str(),
                             text_to_utf8(from_wide(text)).c_str());
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(50);
        }
    }).detach();
}

} // namespace

TEST(Win32BoxesDeathTest, RealBoxesShowTheirTextAndTheFatalOneEndsWithMinusOne)
{
    EXPECT_EXIT(
        {
            usage_counter_at_start = false;
            Win32Window w;
            install_win32_services(&w);
            answer_box_from_a_thread(L"提示！");
            const int answer = message_box("复制成功!"_t, 0, "提示！"_t);
            std::fprintf(stderr, "answer %d\n", answer);
            answer_box_from_a_thread(L"错误");
            TextArray empty;
            array_at(empty, 0);
        },
        fatal_exit(), "box: 提示！ / 复制成功!\nanswer 0\nbox: 错误 / 运行时出错!");
}
