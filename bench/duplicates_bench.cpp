// Remove duplicates and pick non-duplicates on lists of a million accounts,
// timed in the same run against awk doing the same on the same bytes:
//   build/bench/duplicates_bench [lines]
// The left list repeats a quarter of its lines; the right list holds half of
// the left's lines (some in capitals or behind a space) and as many others.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "bench/lists.h"
#include "ops/handlers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace fenrow;
using Clock = std::chrono::steady_clock;

constexpr int runs = 3;

std::vector<std::string> lines_of(const Text& list)
{
    std::vector<std::string> out;
    for (const Text& line : txt_split(list, Text("\r\n")))
        out.push_back(line.str());
    return out;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& line : lines)
        s += line + "\r\n";
    return s;
}

// Best of several runs, in seconds; prepare runs untimed before each.
double best_of(const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const auto t0 = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

double best_shell(const std::string& command, bool& ok)
{
    ok = true;
    return best_of([] {}, [&] { ok = ok && std::system(command.c_str()) == 0; });
}

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

long peak_rss_mb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6) / 1024;
    }
    return -1;
}

void report(const char* what, double ours, double awk, bool awk_ok, bool same)
{
    std::printf("%-20s ours %6.3f s   awk %6.3f s%s   same output: %s\n", what, ours, awk,
                awk_ok ? "" : " (awk failed)", same ? "yes" : "NO");
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::max(4, std::atoi(argv[1])) : 1000000;
    std::mt19937 rng(7);

    std::vector<std::string> left = lines_of(make_account_list(lines - lines / 4, 1));
    std::vector<std::string> right;
    for (const std::string& line : left) {
        if (rng() % 2 == 0)
            continue;
        switch (rng() % 8) {
        case 0: right.push_back("USER" + line.substr(4)); break;
        case 1: right.push_back(" " + line); break;
        default: right.push_back(line);
        }
    }
    for (std::string& line : lines_of(make_account_list(lines - static_cast<int>(right.size()), 2)))
        right.push_back(std::move(line));
    std::shuffle(right.begin(), right.end(), rng);
    const std::size_t kept = left.size();
    while (left.size() < static_cast<std::size_t>(lines))
        left.push_back(left[rng() % kept]);
    std::shuffle(left.begin(), left.end(), rng);

    const Text left_text(joined(left)), right_text(joined(right));
    char dir[] = "/tmp/fenrow-duplicates-XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string d = dir;
    write_file(d + "/left.txt", left_text.str());
    write_file(d + "/right.txt", right_text.str());
    std::printf("left %zu lines (%d bytes), right %zu lines (%d bytes); best of %d runs\n", left.size(),
                left_text.size(), right.size(), right_text.size(), runs);

    MemoryControls ui(control_table());
    ui.set_content(ctl::left_box, left_text);

    const double ours_dedupe = best_of([] {}, [&] { remove_duplicate_lines(ui); });
    const Text deduped = ui.get_content(ctl::right_box);
    bool dedupe_ok = false;
    const double awk_dedupe = best_shell(
        "LC_ALL=C awk 'BEGIN { RS = \"\\r\\n\"; ORS = \"\\r\\n\" } !s[$0]++' " + d + "/left.txt > " + d + "/deduped.txt",
        dedupe_ok);
    // awk ends its last line, the operation does not.
    report("remove duplicates", ours_dedupe, awk_dedupe, dedupe_ok,
           deduped.str() + "\r\n" == file_bytes(d + "/deduped.txt"));

    const double ours_pick = best_of([&] { ui.set_content(ctl::right_box, right_text); }, [&] { pick_non_duplicates(ui); });
    const Text picked = ui.get_content(ctl::right_box);
    bool pick_ok = false;
    // Names compare without case and outer blanks; the lists hold no blank lines.
    const double awk_pick = best_shell(
        "LC_ALL=C awk 'function k(s) { gsub(/^[ \\t]+|[ \\t]+$/, \"\", s); return tolower(s) } "
        "BEGIN { RS = \"\\r\\n\"; ORS = \"\\r\\n\" } NR == FNR { b[k($0)]; next } !(k($0) in b)' " +
            d + "/right.txt " + d + "/left.txt > " + d + "/picked.txt",
        pick_ok);
    report("pick non-duplicates", ours_pick, awk_pick, pick_ok, picked.str() == file_bytes(d + "/picked.txt"));
    std::printf("kept %d of %zu lines, picked %d; peak memory of the whole run (lists, copies, both operations) %ld MB\n",
                count_box_lines(deduped), left.size(), count_box_lines(picked) - 1, peak_rss_mb());

    for (const char* name : {"left.txt", "right.txt", "deduped.txt", "picked.txt"})
        std::remove((d + "/" + name).c_str());
    ::rmdir(dir);
    return 0;
}
