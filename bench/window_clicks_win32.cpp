// Every button of the Windows window clicked on a long list, each timed from
// the click until the window is idle (its thread has handled every message
// and no box job runs), with the peak working set while it worked:
//   build-win64/bench/window_clicks_win32.exe [lines] [--check] [paste|dedupe|convert|mark|pick|blank|extract|open|save]...
// --check runs the same clicks through the window in memory and compares both
// boxes afterwards (open and save: the box and the file with the list). Run under Wine with scripts/wine-run. With FENROW_PERF_CTL
// naming perf's control fifo (perf record -D -1 --control fifo:FILE, a path
// the program sees on its current drive), only the clicks are profiled.
#include "app/memory_window.h"
#include "app/win32/clipboard.h"
#include "app/win32/list_box.h"
#include "app/win32/main_window.h"
#include "app/win32/win_text.h"
#include "bench/click_lists.h"
#include "ops/jobs.h"
#include "runtime/heap.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace fenrow;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The process's processor time, user and kernel, on all its threads.
double cpu_seconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto value = [](FILETIME f) { return static_cast<double>((ULONGLONG{f.dwHighDateTime} << 32) | f.dwLowDateTime) / 1e7; };
    return value(kernel) + value(user);
}

std::size_t working_set()
{
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.WorkingSetSize : 0;
}

// The largest working set seen since the last reset, sampled every few milliseconds.
class PeakSampler {
public:
    PeakSampler()
        : thread_([this] {
              while (!stop_) {
                  std::size_t now = working_set(), seen = peak_.load();
                  while (now > seen && !peak_.compare_exchange_weak(seen, now)) {
                  }
                  Sleep(5);
              }
          })
    {
    }
    ~PeakSampler()
    {
        stop_ = true;
        thread_.join();
    }
    void reset() { peak_ = working_set(); }
    std::size_t peak() const { return std::max(peak_.load(), working_set()); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> peak_{0};
    std::thread thread_;
};

void profile(const char* command)
{
    if (const char* fifo = std::getenv("FENROW_PERF_CTL"))
        std::ofstream(fifo, std::ios::binary) << command << '\n' << std::flush;
}

bool jobs_running(Controls& ui) { return box_job_running(ui, ctl::left_box) || box_job_running(ui, ctl::right_box); }

// Handles messages until none is waiting, no box job runs and nothing is left to paint.
void wait_idle(Win32Window& window)
{
    for (;;) {
        MSG msg;
        bool handled = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            handled = true;
            if (window.preview(msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!handled && !jobs_running(window) && GetQueueStatus(QS_ALLINPUT) == 0)
            return;
        if (!handled)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
}

struct Click {
    const char* key; // to run that click alone
    ControlName button;
    bool second_list; // 挑不重复 compares with a list in the right box
};

const Click clicks[] = {
    {"paste", ctl::paste_left, false}, {"dedupe", ctl::dedupe_button, false}, {"convert", ctl::convert_button, false},
    {"mark", ctl::mark_button, false}, {"pick", ctl::pick_button, true},      {"blank", ctl::blank_button, false},
    {"extract", ctl::extract_button, false},
    // The left box's 打开文本 (a list with LF lines) and 另存为 (GBK), the file chosen.
    {"open", {}, false}, {"save", {}, false},
};
const Text file_name("fenrow-bench-list.txt");

void press(Win32Window& window, ControlName button)
{
    HWND h = window.control_handle(button);
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED), reinterpret_cast<LPARAM>(h));
}

// The texts of both boxes after the same click through the window in memory.
std::pair<Text, Text> in_memory(const Click& c, const Text& list, const Text& second)
{
    MemoryControls ui(control_table());
    ui.set_content(ctl::extract_tail, "----");
    if (c.button == ctl::paste_left)
        ui.set_clipboard(list);
    else
        ui.set_content(ctl::left_box, list);
    ui.set_content(ctl::right_box, c.second_list ? second : Text());
    ui.raise(c.button, Event::clicked);
    while (jobs_running(ui))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return {ui.get_content(ctl::left_box), ui.get_content(ctl::right_box)};
}

} // namespace

int main(int argc, char** argv)
{
    usage_counter_at_start = false;
    keep_freed_blocks(); // as the program does
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    bool check = false;
    std::vector<std::string> only;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check") == 0)
            check = true;
        else
            only.emplace_back(argv[i]);
    }
    Win32Window window;
    ShowWindow(window.handle(), SW_SHOW);
    wait_idle(window);
    const std::size_t empty_window = working_set();
    const std::string lf_list = make_click_list(lines);
    const Text list = box_form(lf_list), second = box_form(make_click_right_list(lf_list));
    std::printf("%d lines, %.1f MB; the empty window %.0f MB\n", lines, static_cast<double>(list.size()) / 1e6,
                static_cast<double>(empty_window) / 1e6);
    window.set_content(ctl::extract_tail, "----");
    PeakSampler sampler;
    int failures = 0;
    std::printf("%8s %8s %10s %10s %8s  %s\n", "seconds", "cpu s", "peak MB", "text MB", "ratio", "click");
    for (const Click& c : clicks) {
        if (!only.empty() && std::find(only.begin(), only.end(), c.key) == only.end())
            continue;
        // The boxes as a user would have them before the click, untimed.
        const bool opens = c.key == std::string_view("open");
        if (opens)
            std::ofstream(file_name.str(), std::ios::binary) << lf_list;
        window.set_content(ctl::left_box, c.button == ctl::paste_left || opens ? Text() : list);
        window.set_content(ctl::right_box, c.second_list ? second : Text());
        std::size_t clipboard = 0; // the clipboard's UTF-16 copy lives in this process before the click
        if (c.button == ctl::paste_left) {
            const std::wstring wide = to_edit(list);
            put_clipboard_text(window.handle(), wide);
            clipboard = wide.size() * sizeof(wchar_t);
        }
        wait_idle(window);
        const Text left_before = window.get_content(ctl::left_box), right_before = window.get_content(ctl::right_box);
        sampler.reset();
        const auto t0 = Clock::now();
        const double cpu0 = cpu_seconds();
        profile("enable");
        const std::string_view key = c.key;
        if (key == "open")
            window.box(ctl::left_box).open_file(file_name);
        else if (key == "save")
            window.box(ctl::left_box).save_file(file_name, SaveEncoding::gbk);
        else
            press(window, c.button);
        wait_idle(window);
        profile("disable");
        const double s = seconds_since(t0), cpu = cpu_seconds() - cpu0;
        const std::size_t peak = sampler.peak();
        const Text left = window.get_content(ctl::left_box), right = window.get_content(ctl::right_box);
        // What the window holds: both boxes, and the texts the click replaced (their undo steps).
        // In doubles: a 1 GB list's texts overflow the sizes' int sum.
        const auto bytes = [](const Text& t) { return static_cast<double>(t.view().size()); };
        const double held = bytes(left) + bytes(right) + (left == left_before ? 0 : bytes(left_before)) +
                            (right == right_before ? 0 : bytes(right_before));
        // Above the empty window, less the benchmark's own texts (the list as made, and in
        // the box's form) and the clipboard's.
        const double above = static_cast<double>(peak > empty_window ? peak - empty_window : 0) -
                             (static_cast<double>(lf_list.size()) + bytes(list) + bytes(second) + bytes(left_before) +
                              bytes(right_before) + static_cast<double>(clipboard));
        std::printf("%8.2f %8.2f %10.0f %10.1f %8.2f  %s", s, cpu, above / 1e6, held / 1e6, above / held, c.key);
        if (check) {
            bool same;
            if (opens) {
                same = left == Text(list.str() + "\r\n"); // the file's last line break is kept
            } else if (c.key == std::string_view("save")) {
                std::ifstream in(file_name.str(), std::ios::binary);
                same = std::string(std::istreambuf_iterator<char>(in), {}) == list.str();
            } else {
                const auto [mem_left, mem_right] = in_memory(c, list, second);
                same = mem_left == left && mem_right == right;
            }
            failures += same ? 0 : 1;
            std::printf("  %s", same ? "same as in memory" : "DIFFERENT FROM MEMORY");
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    std::remove(file_name.str().c_str());
    return failures == 0 ? 0 : 1;
}
