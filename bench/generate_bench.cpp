// One-shot measurement of generate_text_files against `split -l N` on the
// same list, with the cost of the durable write (fsync before the rename)
// taken apart, and the line-by-line box round trips it replaces:
//   build/bench/generate_bench [lines=1000000] [N=6] [directory=.|--memory-only]
// The directory should lie on the disk the program would run from; with a
// million lines the file parts take about half an hour on a slow disk.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "bench/lists.h"
#include "ops/blank_lines.h"
#include "ops/generate.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "tests/support/fake_desktop.h"
#include "runtime/files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::size_t files_in(const fs::path& dir)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

void fresh(const fs::path& dir)
{
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void row(const char* what, double s, std::size_t files)
{
    std::printf("%-58s %9.3f s", what, s);
    if (files != 0)
        std::printf("  %8.1f us/file  (%zu files)", s * 1e6 / static_cast<double>(files), files);
    std::printf("\n");
}

std::vector<Text> blocks_of(const Text& list, int n)
{
    AccountList accounts(list);
    BlockOptions o;
    o.count = n;
    o.numbered = true;
    o.separator = "=";
    o.with_top = true;
    o.top_text = "[账号]"_t;
    std::vector<Text> blocks;
    for (int k = accounts.line_count() / n; k > 0; --k)
        blocks.push_back(accounts.take(o).text);
    return blocks;
}

// Without durability: what file_write does, minus the fsync; and the plain
// create-write-close that split does.
void write_renaming(const std::string& path, const Text& bytes)
{
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.c_str(), bytes.view().size()) < 0 || ::close(fd) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0)
        std::perror(path.c_str());
}

void write_plain(const std::string& path, const Text& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.c_str(), bytes.view().size()) < 0 || ::close(fd) != 0)
        std::perror(path.c_str());
}

// The left box rewritten after every line taken, as a window would do it.
double line_by_line(const Text& list, int n)
{
    MemoryControls ui(control_table());
    ui.set_content(ctl::left_box, list);
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = count_lines(list) / n; k > 0; --k) {
        const TextArray lines = txt_split(ui.get_content(ctl::left_box), Text("\r\n"));
        Text block = "[账号]"_t;
        for (int i = 1; i <= n; ++i) {
            block += "\r\n" + txt_from_int(i) + "=" + array_at(lines, i);
            ui.set_content(ctl::left_box, delete_line(ui.get_content(ctl::left_box), 1));
        }
        block = remove_blank_lines(block);
    }
    return seconds_since(t0);
}

double block_by_block(const Text& list, int n)
{
    MemoryControls ui(control_table());
    ui.set_content(ctl::left_box, list);
    ui.set_content(ctl::block_size, txt_from_int(n));
    const auto t0 = std::chrono::steady_clock::now();
    AccountList accounts(ui.get_content(ctl::left_box));
    for (int k = accounts.line_count() / n; k > 0; --k)
        accounts.take(read_block_options(ui));
    ui.set_content(ctl::left_box, accounts.content());
    return seconds_since(t0);
}

} // namespace

int main(int argc, char** argv)
{
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int n = argc > 2 ? std::atoi(argv[2]) : 6;
    const bool memory_only = argc > 3 && std::string(argv[3]) == "--memory-only";
    const fs::path base = fs::absolute(argc > 3 && !memory_only ? argv[3] : ".") / "generate_bench.tmp";
    if (lines < 1 || n < 1) {
        std::fprintf(stderr, "usage: generate_bench [lines] [N] [directory]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    FakeDesktop desktop;

    const Text list = make_account_list(lines);
    std::printf("%d lines (%.1f MB), N = %d\n\n", lines, list.view().size() / 1e6, n);

    auto t0 = std::chrono::steady_clock::now();
    const std::vector<Text> blocks = blocks_of(list, n);
    row("blocks built in memory (no files)", seconds_since(t0), 0);
    row("left box work, block by block", block_by_block(list, n), 0);

    std::printf("\nleft box work, line by line (one box round trip per line) vs. block by block:\n");
    for (int small : {2'000, 4'000, 8'000}) {
        const Text part = make_account_list(small);
        char what[80];
        std::snprintf(what, sizeof what, "  %6d lines, line by line", small);
        row(what, line_by_line(part, n), 0);
        std::snprintf(what, sizeof what, "  %6d lines, block by block", small);
        row(what, block_by_block(part, n), 0);
    }
    if (memory_only)
        return 0;

    std::printf("\nfiles in %s:\n", base.c_str());
    fresh(base);
    write_plain((base / "list.txt").string(), list);

    const fs::path ours = base / "ours";
    fresh(ours);
    override_program_dir(text_from_utf8(ours.string()));
    MemoryControls ui(control_table());
    ui.set_content(ctl::left_box, list);
    ui.set_content(ctl::block_size, txt_from_int(n));
    ::sync();
    t0 = std::chrono::steady_clock::now();
    generate_text_files(ui);
    row("generate_text_files (temp file, rename; one syncfs at the end)", seconds_since(t0), files_in(ours));
    const Text last = desktop.boxes.empty() ? Text() : desktop.boxes.back().content;
    if (last != "生成完毕！"_t)
        std::printf("  unexpected message: %s\n", text_to_utf8(last).c_str());

    const fs::path durable = base / "file_write";
    fresh(durable);
    ::sync();
    t0 = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < blocks.size(); ++k)
        file_write(text_from_utf8((durable / ("f" + std::to_string(k + 1) + ".txt")).string()),
                   {txt_to_bytes(blocks[k])});
    row("file_write alone (temp file, fsync, rename, folder fsync)", seconds_since(t0), blocks.size());

    const fs::path renamed = base / "no_fsync";
    fresh(renamed);
    ::sync();
    t0 = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < blocks.size(); ++k)
        write_renaming((renamed / ("f" + std::to_string(k + 1) + ".txt")).string(), blocks[k]);
    row("same without fsync (temp file, rename)", seconds_since(t0), blocks.size());

    const fs::path plain = base / "plain";
    fresh(plain);
    ::sync();
    t0 = std::chrono::steady_clock::now();
    for (std::size_t k = 0; k < blocks.size(); ++k)
        write_plain((plain / ("f" + std::to_string(k + 1) + ".txt")).string(), blocks[k]);
    row("plain create-write-close", seconds_since(t0), blocks.size());

    const fs::path split_dir = base / "split";
    fresh(split_dir);
    ::sync();
    const std::string command = "cd '" + split_dir.string() + "' && split -a 6 -l " + std::to_string(n) + " ../list.txt";
    t0 = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    row("split -l N (all lines, incl. the incomplete last block)", seconds_since(t0), files_in(split_dir));
    if (rc != 0)
        std::printf("  split failed: %d\n", rc);

    // Rounds of each way in turn, so that a disk shared with others weighs on
    // both alike.
    double with_fsync = 0, without_fsync = 0;
    std::size_t per_way = 0;
    const std::size_t batch = std::min<std::size_t>(blocks.size(), 1000);
    for (int round = 0; round < 10; ++round) {
        const fs::path a = base / ("a" + std::to_string(round)), b = base / ("b" + std::to_string(round));
        fresh(a);
        fresh(b);
        ::sync();
        t0 = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < batch; ++k)
            file_write(text_from_utf8((a / ("f" + std::to_string(k + 1) + ".txt")).string()), {txt_to_bytes(blocks[k])});
        with_fsync += seconds_since(t0);
        ::sync();
        t0 = std::chrono::steady_clock::now();
        for (std::size_t k = 0; k < batch; ++k)
            write_renaming((b / ("f" + std::to_string(k + 1) + ".txt")).string(), blocks[k]);
        without_fsync += seconds_since(t0);
        per_way += batch;
    }
    std::printf("\ninterleaved, 10 rounds of %zu files each way:\n", batch);
    row("  file_write (temp file, fsync, rename)", with_fsync, per_way);
    row("  without fsync (temp file, rename)", without_fsync, per_way);

    override_program_dir(std::nullopt);
    fs::remove_all(base);
    return 0;
}
