// Every operation on one list through the in-memory window, best of three
// runs, with nothing platform-bound, so that the Linux build and the Windows
// build under Wine time the same work on the same machine:
//   build/bench/ops_bench [lines]      build-win64/bench/ops_bench.exe [lines]
#include "app/control_table.h"
#include "app/memory_window.h"
#include "bench/lists.h"
#include "ops/add_suffix.h"
#include "ops/conversion.h"
#include "ops/duplicates.h"
#include "ops/extract.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"
#include "tests/support/fake_desktop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

struct Case {
    const char* name;
    std::function<void(Controls&)> run;
};

double best_seconds(const Text& left, const Text& right, const Case& c)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        MemoryControls ui(control_table());
        ui.set_content(ctl::left_box, left);
        ui.set_content(ctl::right_box, right);
        ui.set_checked(ctl::prefix_check, true);
        ui.set_checked(ctl::suffix_check, true);
        ui.set_content(ctl::prefix_text, Text("="));
        ui.set_content(ctl::suffix_symbol, Text("="));
        ui.set_content(ctl::suffix_text, Text("x"));
        ui.set_content(ctl::group_size, Text("6"));
        ui.set_content(ctl::mark_symbol, Text("*"));
        ui.set_checked(ctl::mark_last, true);
        ui.set_content(ctl::extract_head, Text("user"));
        ui.set_content(ctl::extract_tail, Text("----"));
        ui.set_content(ctl::block_size, Text("10000"));
        ui.set_content(ctl::file_name, Text("bench"));
        const auto t0 = std::chrono::steady_clock::now();
        c.run(ui);
        wait_for_box_jobs(ui);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// An engine alone, best of three, on the calling thread or on the pool.
double best_engine_seconds(const std::function<void(WorkPool*)>& run, WorkPool* pool)
{
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run(pool);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

void time_engines(const Text& left, const Text& right)
{
    const auto list = std::make_shared<const Text>(left);
    const struct {
        const char* name;
        std::function<void(WorkPool*)> run;
    } engines[] = {
        {"numbering and suffix", [&](WorkPool* p) { convert(list, {true, true, "=", "=", "x"}, p); }},
        {"numbering", [&](WorkPool* p) { convert(list, {true, false, "=", "=", ""}, p); }},
        {"add suffix", [&](WorkPool* p) { mark_groups(left, {6, "*", MarkMode::last}, {}, p); }},
        {"extract", [&](WorkPool* p) { extract(left, {"user", "----"}, p); }},
        {"remove duplicates", [&](WorkPool* p) { remove_duplicate_items(left, Text("\r\n"), p); }},
        {"pick non-duplicates", [&](WorkPool* p) { pick_missing(left.view(), right.view(), {}, p); }},
    };
    WorkPool pool;
    std::printf("engines alone        one thread  %u threads  ratio\n", pool.threads());
    for (const auto& e : engines) {
        const double one = best_engine_seconds(e.run, nullptr), all = best_engine_seconds(e.run, &pool);
        std::printf("%-22s %7.3f s  %7.3f s  %5.2f\n", e.name, one, all, all / one);
    }
}

} // namespace

int main(int argc, char** argv)
{
    FakeDesktop desktop; // the closing messages are counted, not shown
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const Text left = make_account_list(lines, 1), right = make_account_list(lines / 2, 1);
    const fs::path dir = fs::temp_directory_path() / "fenrow-ops-bench";
    fs::create_directories(dir);
    const std::u8string dir8 = dir.u8string();
    override_program_dir(text_from_utf8(std::string(dir8.begin(), dir8.end())));

    const Case cases[] = {
        {"numbering and suffix", run_conversion},
        {"add suffix", run_add_suffix},
        {"extract", extract_accounts},
        {"remove blank lines", remove_blank_lines_in_both},
        {"remove duplicates", remove_duplicate_lines},
        {"pick non-duplicates", pick_non_duplicates},
        {"generate files", generate_text_files},
    };
    std::printf("%d lines, %.1f MB\n", lines, static_cast<double>(left.view().size()) / 1e6);
    for (const Case& c : cases)
        std::printf("%-22s %7.3f s\n", c.name, best_seconds(left, right, c));
    override_program_dir(std::nullopt);
    fs::remove_all(dir);
    time_engines(left, right);
    return 0;
}
