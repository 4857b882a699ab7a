// Numbering conversion and add suffix on a list of a million accounts, run on
// their worker as the buttons run them, timed in the same run against awk and
// sed numbering and suffixing the same lines:
//   build/bench/conversion_bench [lines]          through MemoryControls
//   build/bench/conversion_window_bench [lines]   through the window, offscreen
// The window run also reports how long the edit box alone takes to show the
// result, and the longest time the window went without handling its events.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "bench/lists.h"
#include "ops/blank_lines.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"

#ifdef FENROW_BENCH_WINDOW
#include "app/qt/main_window.h"
#include "app/qt/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <ctime>
#include <vector>
#include <unistd.h>

namespace {

using namespace fenrow;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// Both threads' processor time: on a busy machine wall time overstates the work.
double cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double shell_seconds(const std::string& command)
{
    const auto t0 = Clock::now();
    const int rc = std::system(command.c_str());
    const double s = seconds_since(t0);
    if (rc != 0)
        std::printf("  (%s failed)\n", command.c_str());
    return s;
}

struct Case {
    const char* name;
    ControlName button;
    void (*start)(Controls&);
    bool number, suffix, first; // the check and radio boxes ticked
    Text expected;
};

// The same option texts for every case: "=" before, "=" and "x" behind,
// groups of 6 marked with "*".
void set_options(Controls& ui)
{
    ui.set_content(ctl::prefix_text, "=");
    ui.set_content(ctl::suffix_symbol, "=");
    ui.set_content(ctl::suffix_text, "x");
    ui.set_content(ctl::group_size, "6");
    ui.set_content(ctl::mark_symbol, "*");
}

// The results built line by line, the way the buttons describe them.
Text numbered(const TextArray& lines, bool number, bool suffix)
{
    std::string s;
    int i = 0;
    for (const Text& line : lines) {
        if (number)
            s += std::to_string(++i) + "=";
        s += line.str();
        if (suffix)
            s += "=x";
        s += "\r\n";
    }
    return remove_blank_lines(Text(std::move(s)));
}

Text marked(const TextArray& lines, bool first, int n)
{
    std::string s;
    int i = 0;
    for (const Text& line : lines) {
        s += line.str();
        ++i;
        if (first ? (i - 1) % n == 0 : i % n == 0)
            s += "*" + std::to_string(first ? (i - 1) / n + 1 : i / n);
        s += "\r\n";
    }
    return remove_blank_lines(Text(std::move(s)));
}

std::vector<Case> cases_for(const Text& list)
{
    const TextArray lines = txt_split(list, Text("\r\n"));
    return {
        {"numbering only", ctl::convert_button, start_conversion, true, false, true, numbered(lines, true, false)},
        {"suffix only", ctl::convert_button, start_conversion, false, true, true, numbered(lines, false, true)},
        {"numbering and suffix", ctl::convert_button, start_conversion, true, true, true, numbered(lines, true, true)},
        {"add suffix, first account", ctl::mark_button, start_add_suffix, true, true, true, marked(lines, true, 6)},
        {"add suffix, last account", ctl::mark_button, start_add_suffix, true, true, false, marked(lines, false, 6)},
    };
}

void compare_with_tools(const Text& list)
{
    char path[] = "/tmp/fenrow_conversion_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return;
    close(fd);
    std::string unix_lines = list.str();
    std::erase(unix_lines, '\r');
    std::ofstream(path, std::ios::binary) << unix_lines;
    const std::string file = path;
    std::printf("awk '{print NR\"=\"$0}':  %.2f s\n", shell_seconds("awk '{print NR\"=\"$0}' " + file + " > " + file + ".out"));
    std::printf("sed 's/$/=x/':          %.2f s\n", shell_seconds("sed 's/$/=x/' " + file + " > " + file + ".out"));
    std::remove(path);
    std::remove((file + ".out").c_str());
}

#ifndef FENROW_BENCH_WINDOW

int run(const Text& list)
{
    int failures = 0;
    const std::vector<Case> cases = cases_for(list);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        MemoryControls ui(control_table());
        ui.set_checked(ctl::prefix_check, c.number);
        ui.set_checked(ctl::suffix_check, c.suffix);
        ui.set_checked(c.first ? ctl::mark_first : ctl::mark_last, true);
        set_options(ui);
        ui.set_content(ctl::left_box, list);
        const auto t0 = Clock::now();
        const double cpu0 = cpu_seconds();
        c.start(ui);
        while (box_job_running(ui, ctl::right_box))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const double s = seconds_since(t0);
        const double cpu = cpu_seconds() - cpu0;
        const bool same = ui.get_content(ctl::right_box) == c.expected;
        failures += same ? 0 : 1;
        std::printf("%-26s %.2f s (%.2f s of processor time), %d content changes%s\n", c.name, s, cpu,
                    ui.content_changed_count(ctl::right_box), same ? "" : "  WRONG RESULT");
    }
    return failures;
}

#else

int run(const Text& list)
{
    use_design_font();
    MainWindow window;
    window.show();
    QApplication::processEvents();
    auto t0 = Clock::now();
    window.set_content(ctl::left_box, list);
    QApplication::processEvents();
    std::printf("the list into the left box:   %.2f s\n", seconds_since(t0));

    int failures = 0;
    const std::vector<Case> cases = cases_for(list);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        window.set_content(ctl::right_box, Text());
        static_cast<QAbstractButton*>(window.widget(ctl::prefix_check))->setChecked(c.number);
        static_cast<QAbstractButton*>(window.widget(ctl::suffix_check))->setChecked(c.suffix);
        static_cast<QAbstractButton*>(window.widget(c.first ? ctl::mark_first : ctl::mark_last))->setChecked(true);
        set_options(window);
        QApplication::processEvents();

        // The stretches in which the window handled none of its events: when
        // each ended, and how long it was.
        QElapsedTimer since_tick;
        std::vector<std::pair<double, qint64>> gaps;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] { gaps.emplace_back(seconds_since(t0), since_tick.restart()); });
        // When the right box changed: the clearing or the notice, the appends, the final write if any.
        std::vector<double> changes;
        t0 = Clock::now();
        window.event_observer = [&](ControlName control, Event e) {
            if (control == ctl::right_box && e == Event::content_changed)
                changes.push_back(seconds_since(t0));
        };
        const double cpu0 = cpu_seconds();
        since_tick.start();
        ticker.start();
        static_cast<QAbstractButton*>(window.widget(c.button))->click();
        while (box_job_running(window, ctl::right_box))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QApplication::processEvents();
        const double s = seconds_since(t0);
        const double cpu = cpu_seconds() - cpu0;
        ticker.stop();
        window.event_observer = nullptr;
        const double last_change = changes.empty() ? 0 : changes.back();
        qint64 longest_gap = 0, longest_while_appending = 0;
        for (const auto& [at, gap] : gaps) {
            longest_gap = std::max(longest_gap, gap);
            if (changes.size() > 2 && at > changes[1] && at < changes[changes.size() - 2])
                longest_while_appending = std::max(longest_while_appending, gap);
        }

        const Text shown = window.get_content(ctl::right_box);
        const QString counter = static_cast<QLabel*>(window.widget(ctl::count_right))->text();
        const QString expected_counter = QStringLiteral("总共：%1行 ↓").arg(count_box_lines(c.expected));
        const bool same = shown == c.expected && counter == expected_counter;
        failures += same ? 0 : 1;
        std::printf("%-26s %.2f s (%.2f s of processor time), %zu content changes, the last at %.2f s, "
                    "longest without events %lld ms (between appends %lld ms)%s\n",
                    c.name, s, cpu, changes.size(), last_change, static_cast<long long>(longest_gap),
                    static_cast<long long>(longest_while_appending), same ? "" : "  WRONG RESULT");

        if (i == 2) {
            // What the box alone needs to show such a text, for comparison.
            window.set_content(ctl::right_box, Text());
            t0 = Clock::now();
            window.set_content(ctl::right_box, c.expected);
            QApplication::processEvents();
            std::printf("  set_content of that result alone: %.2f s\n", seconds_since(t0));
        }
    }
    return failures;
}

#endif

} // namespace

int main(int argc, char** argv)
{
#ifdef FENROW_BENCH_WINDOW
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Text list = make_account_list(lines);
    std::printf("%d lines, %.1f MB\n", lines, list.size() / 1e6);
    compare_with_tools(list);
    return run(list) == 0 ? 0 : 1;
}
