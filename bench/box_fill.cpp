// How long the window takes to show a million-line list in both large boxes,
// to give it back, and how much memory it holds meanwhile.
#include "app/qt/main_window.h"
#include "app/qt/widgets.h"
#include "bench/lists.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long peak_rss_mb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace fenrow;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    use_design_font();
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Text list = make_account_list(lines);
    MainWindow window;
    window.show();
    QApplication::processEvents();
    std::printf("%d lines, %.1f MB, peak memory before: %ld MB\n", lines, list.size() / 1e6, peak_rss_mb());
    for (ControlName box : {ctl::left_box, ctl::right_box}) {
        auto t0 = std::chrono::steady_clock::now();
        window.set_content(box, list);
        QApplication::processEvents();
        std::printf("set_content %.*s: %.2f s\n", static_cast<int>(box.utf8.size()), box.utf8.data(), seconds_since(t0));
    }
    auto t0 = std::chrono::steady_clock::now();
    const Text back = window.get_content(ctl::left_box);
    std::printf("get_content: %.2f s (%s)\n", seconds_since(t0), back == list ? "identical" : "DIFFERENT");
    t0 = std::chrono::steady_clock::now();
    const int count = window.get_line_count(ctl::left_box);
    std::printf("get_line_count: %d in %.3f s\n", count, seconds_since(t0));
    std::printf("peak memory with both boxes full: %ld MB\n", peak_rss_mb());
    return back == list ? 0 : 1;
}
