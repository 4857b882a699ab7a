// The Windows window against the control table, the layout rule and the
// shell, with the system's controls (under Wine's headless display driver).
#include "app/win32/main_window.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/win32/desktop_win32.h"
#include "app/win32/list_box.h"
#include "app/win32/win_text.h"
#include "runtime/codepage.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/fatal_exit.h"
#include "tests/support/temp_dir.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <atomic>
#include <random>
#include <string>
#include <thread>

using namespace fenrow;

namespace {

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

std::wstring wide(const char* utf8) { return to_wide(text_from_utf8(utf8)); }

std::wstring pane(Win32Window& w, int i)
{
    HWND bar = w.control_handle(ctl::status_bar);
    std::wstring s(static_cast<std::size_t>(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, i, 0))) + 1, L'\0');
    s.resize(LOWORD(SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(s.data()))));
    return s;
}

void CALLBACK close_window(HWND h, UINT, UINT_PTR, DWORD) { PostMessageW(h, WM_CLOSE, 0, 0); }

class Win32WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        usage_counter_at_start = false;
        ShowWindow(window.handle(), SW_SHOW);
        resize_client(window, design_client_width, design_client_height);
    }
    Win32Window window;
};

} // namespace

TEST_F(Win32WindowTest, EveryControlOfTheTableWithItsCaptionAndPlace)
{
    MemoryControls expected(control_table());
    layout_controls(expected);
    for (const ControlSpec& c : control_table()) {
        HWND h = window.control_handle(c.name);
        ASSERT_NE(h, nullptr) << c.name.utf8;
        if (c.kind == ControlKind::status_bar)
            continue;
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
        const Rect g = expected.get_geometry(c.name);
        EXPECT_EQ(window.get_geometry(c.name), g) << c.name.utf8;
        EXPECT_EQ(r.left, g.left) << c.name.utf8;
        EXPECT_EQ(r.top, g.top) << c.name.utf8;
        if (c.kind == ControlKind::label || c.kind == ControlKind::button || c.kind == ControlKind::group_box) {
            EXPECT_EQ(from_wide(window_text(h)), text_from_utf8(c.text)) << c.name.utf8;
        }
        if (c.kind == ControlKind::check_box || c.kind == ControlKind::radio_box) {
            EXPECT_EQ(window.is_checked(c.name), c.initially_on) << c.name.utf8;
        }
    }
    EXPECT_EQ(window.get_selection(ctl::file_extension), 0);
    EXPECT_EQ(window.get_item(ctl::file_extension, 1), Text(".ini"));
    EXPECT_EQ(window.get_item(ctl::file_extension, 2), Text());
    EXPECT_EQ(pane(window, 0), wide("使用次数："));
    EXPECT_EQ(pane(window, 2), wide("操作提示："));
}

TEST_F(Win32WindowTest, LayoutFollowsEverySizeChangeAndMinimising)
{
    for (const auto& [width, height] : {std::pair{1000, 700}, {240, 300}, {722, 514}}) {
        resize_client(window, width, height);
        MemoryControls expected(control_table(), width, height);
        layout_controls(expected);
        for (const ControlSpec& c : control_table())
            EXPECT_EQ(window.get_geometry(c.name), expected.get_geometry(c.name)) << c.name.utf8 << " at " << width;
    }
    ShowWindow(window.handle(), SW_MINIMIZE);
    pump(window);
    EXPECT_EQ(window.get_geometry(ctl::left_box).width, -120);
    ShowWindow(window.handle(), SW_RESTORE);
    pump(window);
    EXPECT_EQ(window.get_geometry(ctl::left_box), (Rect{5, 32, 241, 455}));
}

TEST_F(Win32WindowTest, BoxesGiveBackEveryTextAndCountItsLines)
{
    std::mt19937 rng(3);
    const std::string pieces[] = {"\r\n", "\r", "\n", "a", " ", "\t", "\xd6\xd0", "\x80", "\xff", "\x81", "\xa2\xe3",
                                  "\x95\x32\x90\x31", "\x81\x36\xa6\x33", "\xa8\xa0", "\xa1\xa1"};
    for (ControlName box : {ctl::left_box, ctl::prefix_text}) {
        for (int round = 0; round < 200; ++round) {
            std::string s;
            for (int i = static_cast<int>(rng() % 10); i > 0; --i)
                s += rng() % 5 == 0 ? std::string(1, static_cast<char>(1 + rng() % 255)) : pieces[rng() % std::size(pieces)];
            const Text t(s);
            window.set_content(box, t);
            ASSERT_EQ(window.get_content(box), t) << testing::PrintToString(t);
            if (box == ctl::left_box) {
                ASSERT_EQ(window.get_line_count(box), count_box_lines(t)) << testing::PrintToString(t);
            }
        }
    }
}

TEST_F(Win32WindowTest, ContentChangedOncePerWriteAndCountersFollow)
{
    int changes = 0;
    window.event_observer = [&](ControlName c, Event e) {
        if (c == ctl::right_box && e == Event::content_changed)
            ++changes;
    };
    window.set_content(ctl::right_box, "a");
    window.set_content(ctl::right_box, "a");
    EXPECT_EQ(changes, 2);
    window.append_text(ctl::right_box, "\r\nb\r");
    window.append_text(ctl::right_box, "\nc\r\n");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(window.get_content(ctl::right_box).str(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(from_wide(window_text(window.control_handle(ctl::count_right))), "总共：4行 ↓"_t);
}

TEST_F(Win32WindowTest, TypingEnterAndPastingLfLinesGiveCrLfLines)
{
    HWND box = window.control_handle(ctl::left_box);
    window.set_content(ctl::left_box, "");
    for (const wchar_t c : {L'x', L'\r', L'y'})
        SendMessageW(box, WM_CHAR, c, 0);
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "x\r\ny");
    EXPECT_EQ(from_wide(window_text(window.control_handle(ctl::count_left))), "总共：2行 ↓"_t);

    install_win32_services(&window);
    ASSERT_TRUE(clipboard_set_text(Text("p\nq\n")));
    ListBox::of(box)->core().run({BoxCommand::select_all});
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window.control_handle(ctl::paste_left)));
    install_win32_services(nullptr);
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "p\r\nq\r\n");
    EXPECT_EQ(from_wide(window_text(window.control_handle(ctl::count_left))), "总共：3行 ↓"_t);
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

TEST(Win32Text, PastedLinesEndInCrLfAndLoseOnlyZeros)
{
    const struct { std::wstring in, out; } cases[] = {
        {L"", L""}, {L"a\nb", L"a\r\nb"}, {L"a\r\nb\r\n", L"a\r\nb\r\n"}, {L"\r\r\n\n", L"\r\n\r\n\r\n"},
        {std::wstring(L"a\0b", 3), L"ab"}, {L"\u4e2d\n", L"\u4e2d\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pasted_lines(c.in), c.out);
}

TEST_F(Win32WindowTest, CopyButtonPutsTheBoxOnTheClipboardAndReports)
{
    window.set_content(ctl::right_box, "a\r\n\xd6\xd0");
    install_win32_services(&window);
    ASSERT_TRUE(clipboard_set_text(window.get_content(ctl::right_box)));
    ASSERT_TRUE(OpenClipboard(window.handle()));
    const auto* p = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::wstring(p), L"a\r\n\u4e2d");
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();
    install_win32_services(nullptr);

    FakeDesktop recorder;
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window.control_handle(ctl::copy_right)));
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].content, "复制成功!"_t);
    EXPECT_EQ(recorder.clipboard.str(), "a\r\n\xd6\xd0");
}

TEST_F(Win32WindowTest, HintsFollowThePointer)
{
    const auto over = [&](ControlName c) {
        RECT r;
        GetWindowRect(c == ctl::main_window ? window.handle() : window.control_handle(c), &r);
        SetCursorPos(r.left + 3, r.top + 3);
        PostMessageW(window.handle(), WM_MOUSEMOVE, 0, 0);
        pump(window);
        return pane(window, hint_pane);
    };
    EXPECT_EQ(over(ctl::dedupe_button), wide("去重复：左侧为原文本，去重复后文本显示在右侧"));
    EXPECT_EQ(over(ctl::left_box), wide("去重复：左侧为原文本，去重复后文本显示在右侧")); // no hint of its own
    EXPECT_EQ(over(ctl::top_line), wide("顶层文本：生成的账号最顶端 加上特定内容！"));
    EXPECT_EQ(over(ctl::generate_group), wide(window_hint)); // the empty inside of a group box is background
}

TEST_F(Win32WindowTest, WorkerCallsAreCarriedOutOnTheWindowThreadInOrder)
{
    std::atomic<bool> done{false};
    start_worker([&] {
        for (int i = 0; i < 50; ++i)
            window.append_text(ctl::right_box, txt_from_int(i) + "\r\n");
        window.set_pane_text(ctl::status_bar, usage_pane, "1234 "_t + "次"_t);
        window.set_content(ctl::left_box, "w\r\n");
        done = true;
    });
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pump(window);
    }
    const TextArray lines = txt_split(window.get_content(ctl::right_box), Text("\r\n"));
    ASSERT_EQ(array_count(lines), 50);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(array_at(lines, i), txt_from_int(i - 1));
    EXPECT_EQ(pane(window, usage_pane), wide("1234 次"));
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "w\r\n");
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
