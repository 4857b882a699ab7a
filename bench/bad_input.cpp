// What the window does with extreme texts: a list of 100 MB and a single line
// of 10 MB shown in the left box, given back, and passed through the
// operations. Reports each step's time, the longest stretch the window went
// without handling events, and peak memory.
//   build/bench/bad_input [megabytes of the list] [megabytes of the line]
#include "app/qt/desktop_qt.h"
#include "app/qt/main_window.h"
#include "app/shell.h"
#include "app/qt/widgets.h"
#include "bench/lists.h"
#include "runtime/codepage.h"
#include "ops/handlers.h"
#include "ops/jobs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>

namespace {

using namespace fenrow;

long peak_rss_mb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// The longest gap between ticks of a 10 ms timer on the UI thread.
class StallMeter {
public:
    StallMeter()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, clock_.restart());
        });
        timer_.start(10);
        clock_.start();
    }
    void reset()
    {
        worst_ = 0;
        clock_.restart();
    }
    qint64 worst_ms() const { return worst_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 worst_ = 0;
};

void step(StallMeter& meter, const char* what, const std::function<void()>& run)
{
    meter.reset();
    const auto t0 = std::chrono::steady_clock::now();
    run();
    QApplication::processEvents();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("  %-34s %7.2f s   longest without events %6lld ms   peak %5ld MB\n", what, s,
                static_cast<long long>(meter.worst_ms()), peak_rss_mb());
}

void run_on(MainWindow& window, StallMeter& meter, const Text& text)
{
    const ControlName left = ctl::left_box, right = ctl::right_box;
    step(meter, "set_content", [&] { window.set_content(left, text); });
    Text back;
    step(meter, "get_content", [&] { back = window.get_content(left); });
    std::printf("  %-34s %s\n", "given back", back == text ? "identical" : "DIFFERENT");
    step(meter, "get_line_count", [&] { (void)window.get_line_count(left); });
    step(meter, "remove blank lines", [&] { remove_blank_lines_in_both(window); });
    step(meter, "remove duplicates", [&] { remove_duplicate_lines(window); });
    step(meter, "numbering conversion (worker)", [&] {
        static_cast<QAbstractButton*>(window.widget(ctl::convert_button))->click();
        while (box_job_running(window, right))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    });
    step(meter, "copy to the clipboard", [&] { QtDesktop().clipboard_set_text(window.get_content(left)); });
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text_to_utf16(text)));
    step(meter, "paste from the clipboard", [&] { paste_into_box(window, left); });
    std::printf("  %-34s %s\n", "pasted", window.get_content(left) == text ? "identical" : "DIFFERENT");
    step(meter, "empty both boxes", [&] {
        window.set_content(left, Text());
        window.set_content(right, Text());
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    use_design_font();
    const int list_mb = argc > 1 ? std::atoi(argv[1]) : 100;
    const int line_mb = argc > 2 ? std::atoi(argv[2]) : 10;
    MainWindow window;
    window.show();
    QApplication::processEvents();
    StallMeter meter;

    {
        const Text list = make_account_list(list_mb * 1000000 / 22);
        std::printf("a list of %.1f MB (%d lines):\n", list.size() / 1e6, list_mb * 1000000 / 22);
        run_on(window, meter, list);
    }
    {
        const Text line(std::string(static_cast<std::size_t>(line_mb) * 1000000, 'a'));
        std::printf("one line of %.1f MB:\n", line.size() / 1e6);
        run_on(window, meter, line);
    }
    return 0;
}
