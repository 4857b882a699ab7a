// Each button and list tool through the real Qt window, timed from the click until the
// window is idle (its events handled, no box job running), the result checked
// against fenrow-cli's (a tool's against its engine's), and the peak memory above the empty window.
//   build/bench/window_clicks --write-lists LINES DIR   writes DIR/list.txt, DIR/right.txt
//   build/bench/window_clicks DIR [click …]             the clicks (bench/window_clicks.sh
//                                                       makes DIR/expect.*.txt with fenrow-cli)
// Prints one line a click: "click NAME SECONDS CPU_SECONDS PEAK_BYTES HELD_BYTES ok|WRONG"
// (processor time of all threads: on a busy machine wall time overstates the
// work). With FENROW_PERF_CTL naming perf's control fifo (perf record -D -1
// --control fifo:FILE), only the clicks are profiled.
#include "app/qt/main_window.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "bench/click_lists.h"
#include "ops/jobs.h"
#include "ops/list_tools.h"
#include "runtime/heap.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace fenrow;
using Clock = std::chrono::steady_clock;

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(2);
    }
    std::ostringstream s;
    s << in.rdbuf();
    return std::move(s).str();
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// fenrow-cli's output (written with --crlf) as the box shows it: the last
// line's break left out unless the button ends every line with one.
Text expected_form(const std::string& crlf, bool closed)
{
    return Text(std::string_view(crlf).substr(0, !closed && crlf.ends_with("\r\n") ? crlf.size() - 2 : crlf.size()));
}

long status_kb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.starts_with(key))
            return std::atol(line.c_str() + key.size());
    return 0;
}

// The peak resident size starts again from the present one.
void reset_peak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void profile(const char* command)
{
    if (const char* fifo = std::getenv("FENROW_PERF_CTL"))
        std::ofstream(fifo) << command << '\n' << std::flush;
}

void settle(MainWindow& w)
{
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!box_job_running(w, ctl::left_box) && !box_job_running(w, ctl::right_box))
            break;
        // Asleep until an event comes or 20 ms pass, as the program's own loop
        // sleeps: processEvents with a time limit polls without waiting and
        // would take a core from the workers.
        QEventLoop wait;
        QTimer::singleShot(20, &wait, &QEventLoop::quit);
        wait.exec();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

struct Click {
    const char* name;
    ControlName button;
    bool right_list;     // the right box starts with the second list
    const char* expect;  // expect.<name>.txt for the left or right box (or both)
    bool left_result;    // the result is in the left box
    bool both;           // 去空行: left and right results
    bool closed;         // every line of the result ends in CR LF
    std::optional<ListTool> tool = std::nullopt; // chosen in the left box's menu instead
};

const std::vector<Click> clicks = {
    {"paste", ctl::paste_left, false, nullptr, true, false, false},
    // The left box's 打开文本 and 另存为 (GBK), the file chosen.
    {"open", {}, false, nullptr, true, false, false},
    {"save", {}, false, nullptr, true, false, false},
    {"dedupe", ctl::dedupe_button, false, "dedupe", false, false, false},
    {"convert", ctl::convert_button, false, "convert", false, false, false},
    {"suffix", ctl::mark_button, false, "suffix", false, false, false},
    {"pick", ctl::pick_button, true, "pick", false, false, true},
    {"blank", ctl::blank_button, true, "blank", false, true, false},
    {"extract", ctl::extract_button, false, "extract", true, false, true},
    // The list tools, their results checked against the engines'.
    {"dedupe-case", {}, false, nullptr, true, false, false, ListTool::dedupe_ignore_case},
    {"dupes", {}, false, nullptr, true, false, false, ListTool::dupes},
    {"count", {}, false, nullptr, true, false, false, ListTool::count},
    {"intersect", {}, true, nullptr, false, false, false, ListTool::intersect},
    {"union", {}, true, nullptr, false, false, false, ListTool::merge},
    {"only", {}, true, nullptr, false, false, false, ListTool::only},
    {"sort", {}, false, nullptr, true, false, false, ListTool::sort},
    {"shuffle", {}, false, nullptr, true, false, false, ListTool::shuffle},
    {"trim", {}, false, nullptr, true, false, false, ListTool::trim},
};

std::size_t held_bytes(MainWindow& w)
{
    std::size_t n = 0;
    for (ControlName b : {ctl::left_box, ctl::right_box}) {
        const ListEditor& e = w.box(b).editor();
        n += e.text().size() + e.operation_step_bytes();
    }
    return n;
}

bool run_click(const Click& c, const std::string& dir, const Text& list, const Text& right)
{
    Text expected_left, expected_right;
    const std::string_view name = c.name;
    if (name == "paste" || name == "save") {
        expected_left = list;
    } else if (name == "open") {
        expected_left = Text(list.str() + "\r\n"); // the file's last line break is kept
    } else if (c.tool) {
        if (*c.tool != ListTool::shuffle)
            (c.left_result ? expected_left : expected_right) =
                apply_list_tool(*c.tool, list.view(), right.view(), {}, 0).list;
    } else if (c.both) {
        expected_left = expected_form(read_file(dir + "/expect." + c.expect + "-left.txt"), c.closed);
        expected_right = expected_form(read_file(dir + "/expect." + c.expect + "-right.txt"), c.closed);
    } else {
        (c.left_result ? expected_left : expected_right) = expected_form(read_file(dir + "/expect." + c.expect + ".txt"), c.closed);
    }
    if (c.name == std::string_view("paste"))
        QGuiApplication::clipboard()->setText(to_box(list)); // the clipboard data has arrived
    malloc_trim(0);

    MainWindow w;
    w.show();
    settle(w);
    w.set_content(ctl::extract_tail, Text("----"));
    settle(w);
    malloc_trim(0);
    const long empty_kb = status_kb("VmRSS");
    if (name != "paste" && name != "open")
        w.set_content(ctl::left_box, list);
    if (c.right_list)
        w.set_content(ctl::right_box, right);
    settle(w);

    reset_peak();
    profile("enable");
    const auto t0 = Clock::now();
    const double cpu0 = cpu_seconds();
    const std::string saved = dir + "/got.save.txt";
    if (c.tool)
        w.box(ctl::left_box).choose(BoxMenuItem::first_tool_id + static_cast<int>(*c.tool));
    else if (name == "open")
        w.box(ctl::left_box).open_file(Text(dir + "/list.txt"));
    else if (name == "save")
        w.box(ctl::left_box).save_file(Text(saved), SaveEncoding::gbk);
    else
        static_cast<QAbstractButton*>(w.widget(c.button))->click();
    settle(w);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = cpu_seconds() - cpu0;
    profile("disable");
    const long peak_kb = status_kb("VmHWM");
    const std::size_t held = held_bytes(w);

    // A wrong result is left beside the expected one, to compare.
    bool ok = true;
    if (!expected_left.empty() && w.get_content(ctl::left_box) != expected_left) {
        ok = false;
        write_file(dir + "/got." + c.name + "-left.txt", w.get_content(ctl::left_box).str());
    }
    if (name == "save") {
        if (read_file(saved) != list.str())
            ok = false;
        else
            std::remove(saved.c_str());
    }
    if ((!expected_right.empty() || c.both) && w.get_content(ctl::right_box) != expected_right) {
        ok = false;
        write_file(dir + "/got." + c.name + "-right.txt", w.get_content(ctl::right_box).str());
    }
    std::printf("click %s %.3f %.3f %ld %zu %s\n", c.name, s, cpu, (peak_kb - empty_kb) * 1024, held, ok ? "ok" : "WRONG");
    std::fflush(stdout);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string_view(argv[1]) == "--write-lists") {
        const std::string list = make_click_list(std::atol(argv[2]));
        const std::string dir = argv[3];
        return write_file(dir + "/list.txt", list) && write_file(dir + "/right.txt", make_click_right_list(list)) ? 0 : 1;
    }
    keep_freed_blocks(); // as the program does
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [click …] | --write-lists LINES DIR\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    use_design_font();
    const std::string dir = argv[1];
    const Text list = box_form(read_file(dir + "/list.txt"));
    const Text right = box_form(read_file(dir + "/right.txt"));
    int wrong = 0;
    for (const Click& c : clicks) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i)
            wanted = wanted || c.name == std::string_view(argv[i]);
        if (wanted && !run_click(c, dir, list, right))
            ++wrong;
    }
    return wrong == 0 ? 0 : 1;
}
