// How long the window takes to show a list in both large boxes, how long its
// UI thread stalls while a worker fills one, what the boxes hold in memory,
// and how long typing a character at the end or scrolling a page takes.
// build/bench/box_fill [lines] (1,000,000 by default)
#include "app/qt/main_window.h"
#include "app/qt/widgets.h"
#include "runtime/codepage.h"
#include "bench/lists.h"

#include <QAbstractScrollArea>
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double resident_mb()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

void press(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &e);
}

// Median and worst of n runs of f, each until the box has repainted.
template <typename F>
void timed(const char* what, QAbstractScrollArea* box, int n, F f)
{
    std::vector<double> ms;
    for (int i = 0; i < n; ++i) {
        const auto t0 = Clock::now();
        f();
        box->viewport()->repaint();
        QApplication::processEvents();
        ms.push_back(ms_since(t0));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.2f ms, worst %.2f ms\n", what, ms[ms.size() / 2], ms.back());
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
    const double text_mb = static_cast<double>(list.size()) / 1e6;
    MainWindow window;
    window.show();
    QApplication::processEvents();
    const double empty_mb = resident_mb();
    std::printf("%d lines, %.1f MB; the empty window resident: %.0f MB\n", lines, text_mb, empty_mb);

    for (ControlName box : {ctl::left_box, ctl::right_box}) {
        const auto t0 = Clock::now();
        window.set_content(box, list);
        QApplication::processEvents();
        std::printf("set_content %.*s: %.1f ms\n", static_cast<int>(box.utf8.size()), box.utf8.data(), ms_since(t0));
    }
    const double full_mb = resident_mb();
    std::printf("both boxes full: %.0f MB resident, %.0f MB above the empty window = %.2f x the text\n", full_mb,
                full_mb - empty_mb, (full_mb - empty_mb) / text_mb);

    // A worker fills a box; meanwhile the UI thread keeps turning.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        window.set_content(ctl::left_box, list);
        done = true;
    });
    double longest = 0;
    for (auto tick = Clock::now(); !done;) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        longest = std::max(longest, ms_since(tick));
        tick = Clock::now();
    }
    worker.join();
    std::printf("set_content from a worker: longest UI stall %.1f ms\n", longest);

    // The paste button, with the list already on this program's clipboard.
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text_to_utf16(list)));
    auto t0 = Clock::now();
    static_cast<QAbstractButton*>(window.widget(ctl::paste_right))->click();
    QApplication::processEvents();
    std::printf("paste button: %.1f ms (%s)\n", ms_since(t0), window.get_content(ctl::right_box) == list ? "identical" : "DIFFERENT");

    t0 = Clock::now();
    const Text back = window.get_content(ctl::left_box);
    std::printf("get_content: %.1f ms (%s)\n", ms_since(t0), back == list ? "identical" : "DIFFERENT");
    t0 = Clock::now();
    const int count = window.get_line_count(ctl::left_box);
    std::printf("get_line_count: %d in %.3f ms\n", count, ms_since(t0));

    auto* box = static_cast<QAbstractScrollArea*>(window.widget(ctl::left_box));
    box->setFocus();
    press(box, Qt::Key_End, Qt::ControlModifier);
    timed("typing a character at the end", box, 50, [&] { press(box, Qt::Key_X, Qt::NoModifier, QStringLiteral("x")); });
    press(box, Qt::Key_Home, Qt::ControlModifier);
    timed("a page down", box, 50, [&] { press(box, Qt::Key_PageDown); });
    QScrollBar* bar = box->verticalScrollBar();
    timed("a jump of the scroll bar", box, 50, [&] { bar->setValue(bar->value() == 0 ? bar->maximum() / 2 : 0); });
    return back == list ? 0 : 1;
}
