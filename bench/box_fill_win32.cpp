// How long the Windows window takes to show a long list in a large box, to
// give it back, and to take a keystroke at its end:
//   build-win64/bench/box_fill_win32.exe [lines]
#include "app/win32/list_box.h"
#include "app/win32/main_window.h"
#include "bench/lists.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

int main(int argc, char** argv)
{
    using namespace fenrow;
    usage_counter_at_start = false;
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Text list = make_account_list(lines);
    Win32Window window;
    ShowWindow(window.handle(), SW_SHOW);
    pump();
    std::printf("%d lines, %.1f MB\n", lines, static_cast<double>(list.size()) / 1e6);
    auto t0 = std::chrono::steady_clock::now();
    window.set_content(ctl::left_box, list);
    pump();
    std::printf("set_content: %.2f s\n", seconds_since(t0));
    t0 = std::chrono::steady_clock::now();
    const Text back = window.get_content(ctl::left_box);
    std::printf("get_content: %.2f s (%s)\n", seconds_since(t0), back == list ? "identical" : "DIFFERENT");
    HWND box = window.control_handle(ctl::left_box);
    ListBox::of(box)->core().select(list.view().size(), list.view().size());
    t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        SendMessageW(box, WM_CHAR, 'x', 0);
        pump();
    }
    std::printf("typing at the end: %.3f s per key\n", seconds_since(t0) / 10);
    t0 = std::chrono::steady_clock::now();
    const int count = window.get_line_count(ctl::left_box);
    std::printf("get_line_count: %d in %.3f s\n", count, seconds_since(t0));
    return back == list ? 0 : 1;
}
