// Runs every operation over fixed lists and options through the in-memory
// window and prints what a user would see (boxes, messages, status panes,
// written files) as digests, one line each. The Linux and Windows builds must
// print the same lines.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "bench/lists.h"
#include "ops/generate.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "ops/list_tools.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/fake_desktop.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

std::string digest(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (unsigned char b : bytes)
        h = (h ^ b) * 1099511628211ull;
    char out[40];
    std::snprintf(out, sizeof out, "%zu:%016llx", bytes.size(), static_cast<unsigned long long>(h));
    return out;
}

std::string hex(std::string_view bytes)
{
    std::string r;
    for (unsigned char b : bytes)
        r += "0123456789abcdef"[b >> 4], r += "0123456789abcdef"[b & 15];
    return r;
}

Text tricky_list()
{
    return "a\r\nA\r\n b \r\n\r\n  \r\n\t\r\n"_t + "中文\r\n中文 \r\n"_t +
           Text("\x81\x41\r\na\rb\r\nx\ny\r\n\x80\r\n\xff\r\n=\r\n----\r\nuser1----pw\r\nUSER1----pw\r\na\r\n");
}

struct Inputs {
    const char* name;
    Text left, right;
};

struct Op {
    std::string name;
    std::function<void(MemoryControls&)> prepare_and_run;
};

std::vector<Op> operations()
{
    std::vector<Op> ops;
    for (const bool prefix : {false, true})
        for (const bool suffix : {false, true})
            ops.push_back({"conversion prefix=" + std::to_string(prefix) + " suffix=" + std::to_string(suffix),
                           [=](MemoryControls& ui) {
                               ui.set_checked(ctl::prefix_check, prefix);
                               ui.set_checked(ctl::suffix_check, suffix);
                               ui.set_content(ctl::prefix_text, Text("="));
                               ui.set_content(ctl::suffix_symbol, Text("----"));
                               ui.set_content(ctl::suffix_text, "号"_t);
                               run_conversion(ui);
                           }});
    for (const char* count : {"3", "0", "-1", "x"})
        for (const bool first : {false, true})
            ops.push_back({std::string("add_suffix count=") + count + " first=" + std::to_string(first),
                           [=](MemoryControls& ui) {
                               ui.set_content(ctl::group_size, Text(count));
                               ui.set_content(ctl::mark_symbol, Text("#"));
                               ui.set_checked(first ? ctl::mark_first : ctl::mark_last, true);
                               run_add_suffix(ui);
                           }});
    const std::pair<const char*, const char*> marks[] = {{"user", "----"}, {"", "pw"}, {"a", ""}, {"", ""}};
    for (const auto& [head, tail] : marks)
        ops.push_back({std::string("extract head=") + head + " tail=" + tail, [=](MemoryControls& ui) {
                           ui.set_content(ctl::extract_head, Text(head));
                           ui.set_content(ctl::extract_tail, Text(tail));
                           extract_accounts(ui);
                       }});
    ops.push_back({"blank lines", [](MemoryControls& ui) { remove_blank_lines_in_both(ui); }});
    ops.push_back({"dedupe", [](MemoryControls& ui) { remove_duplicate_lines(ui); }});
    ops.push_back({"pick", [](MemoryControls& ui) { pick_non_duplicates(ui); }});
    for (const char* count : {"7", "2000", "0"})
        for (const bool numbered : {false, true})
            ops.push_back({std::string("generate count=") + count + " numbered=" + std::to_string(numbered),
                           [=](MemoryControls& ui) {
                               ui.set_content(ctl::block_size, Text(count));
                               ui.set_content(ctl::file_name, "账号"_t);
                               ui.set_selection(ctl::file_extension, numbered ? 1 : 0);
                               ui.set_checked(ctl::number_check, numbered);
                               ui.set_content(ctl::number_separator, Text("."));
                               ui.set_checked(ctl::top_line_check, numbered);
                               ui.set_content(ctl::top_line, "顶层"_t);
                               generate_text_files(ui);
                           }});
    return ops;
}

// The list tools over the left list (and the right one), by their engines.
struct Tool {
    std::string name;
    std::function<Text(std::string_view left, std::string_view right)> run;
};

std::vector<Tool> list_tool_runs()
{
    std::vector<Tool> tools;
    const LineCompare compares[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const LineCompare c : compares) {
        const std::string how = " ignore_case=" + std::to_string(c.ignore_case) + " trim=" + std::to_string(c.trim);
        if (c.normalised())
            tools.push_back({"dedupe" + how, [=](std::string_view l, std::string_view) { return dedupe_lines(l, c); }});
        tools.push_back({"dupes" + how, [=](std::string_view l, std::string_view) { return duplicate_lines(l, c); }});
        tools.push_back({"count" + how, [=](std::string_view l, std::string_view) { return count_lines(l, c); }});
        tools.push_back({"intersect" + how, [=](std::string_view l, std::string_view r) { return intersect_lines(l, r, c); }});
        tools.push_back({"union" + how, [=](std::string_view l, std::string_view r) { return merge_lines(l, r, c); }});
        tools.push_back({"only" + how, [=](std::string_view l, std::string_view r) { return only_lines(l, r, c); }});
    }
    const std::pair<Text, bool> texts[] = {{Text("a"), false}, {Text("\x81"), false}, {"中"_t, false}, {Text("^user\\d+-"), true}};
    for (const auto& [text, regex] : texts)
        for (const bool ignore_case : {false, true})
            for (const bool invert : {false, true}) {
                const FilterOptions o{text, regex, ignore_case, invert};
                tools.push_back({"filter " + hex(text.view()) + " regex=" + std::to_string(regex) + " ignore_case=" +
                                     std::to_string(ignore_case) + " invert=" + std::to_string(invert),
                                 [=](std::string_view l, std::string_view) { return filter_lines(l, o).list; }});
            }
    for (const bool natural : {false, true})
        for (const bool reverse : {false, true})
            tools.push_back({"sort natural=" + std::to_string(natural) + " reverse=" + std::to_string(reverse),
                             [=](std::string_view l, std::string_view) { return sort_lines(l, {natural, reverse}); }});
    tools.push_back({"shuffle seed=42", [](std::string_view l, std::string_view) { return shuffle_lines(l, 42); }});
    tools.push_back({"trim", [](std::string_view l, std::string_view) { return trim_lines(l); }});
    return tools;
}

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The written files, by name in the system's text, with their bytes.
void print_files(const fs::path& dir)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::u8string name = e.path().filename().u8string();
        files.emplace_back(text_from_utf8(std::string(name.begin(), name.end())).str(), read_file(e.path()));
        fs::remove(e.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& [name, bytes] : files)
        std::printf("  file %s %s\n", hex(name).c_str(), digest(bytes).c_str());
}

} // namespace

int main()
{
    // Progress notes depend on the machine's speed, not on the work.
    generate_progress_interval = std::chrono::hours(1);
    const fs::path dir = fs::temp_directory_path() / ("fenrow-agreement-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::u8string dir8 = dir.u8string();
    override_program_dir(text_from_utf8(std::string(dir8.begin(), dir8.end())));

    const Inputs inputs[] = {
        {"tricky", tricky_list(), Text("a\r\nb\r\n") + "中文\r\n"_t},
        {"accounts", make_account_list(5000, 1), make_account_list(2000, 1)},
        {"repeats", make_account_list(3000, 2) + make_account_list(3000, 2), make_account_list(3000, 3)},
        {"empty", Text(), Text()},
    };
    for (const Inputs& in : inputs) {
        for (const Op& op : operations()) {
            FakeDesktop desktop;
            MemoryControls ui(control_table());
            ui.set_content(ctl::left_box, in.left);
            ui.set_content(ctl::right_box, in.right);
            op.prepare_and_run(ui);
            wait_for_box_jobs(ui);
            std::printf("%s / %s\n  left %s\n  right %s\n", in.name, op.name.c_str(),
                        digest(ui.get_content(ctl::left_box).view()).c_str(),
                        digest(ui.get_content(ctl::right_box).view()).c_str());
            for (int pane = 0; pane < pane_count; ++pane)
                std::printf("  pane %d %s\n", pane, hex(ui.pane_text(ctl::status_bar, pane).view()).c_str());
            for (const FakeDesktop::Box& box : desktop.boxes)
                std::printf("  box %d %s %s\n", box.style, hex(box.title.view()).c_str(), hex(box.content.view()).c_str());
            print_files(dir);
        }
        for (const Tool& tool : list_tool_runs())
            std::printf("%s / %s\n  result %s\n", in.name, tool.name.c_str(),
                        digest(tool.run(in.left.view(), in.right.view()).view()).c_str());
    }
    override_program_dir(std::nullopt);
    fs::remove_all(dir);
    return 0;
}
