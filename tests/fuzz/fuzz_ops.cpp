// The account operations on random box contents and options, through the
// in-memory window, with the invariants users rely on.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/add_suffix.h"
#include "ops/handlers.h"
#include "tests/support/fake_desktop.h"
#include "runtime/files.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace fenrow;

namespace {

std::vector<std::string> lines_of(const Text& t)
{
    std::vector<std::string> v;
    for (const Text& line : txt_split(t, Text("\r\n")))
        v.push_back(line.str());
    return v;
}

// Lines drawn from a small alphabet, so that repeats and case twins are common.
Text random_list(FuzzedDataProvider& in)
{
    static const char* const words[] = {"a", "A", "b", " b", "", "  ", "\xd6\xd0", "x=1", "[s]", "\x81\x41", "a\rb", ";c"};
    std::string s;
    for (int n = in.ConsumeIntegralInRange(0, 20); n > 0; --n) {
        s += words[in.ConsumeIntegralInRange<std::size_t>(0, std::size(words) - 1)];
        if (n > 1 || in.ConsumeBool())
            s += "\r\n";
    }
    return Text(s);
}

const std::string& scratch_dir()
{
    static const std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path() / "fenrow-fuzz-ops.XXXXXX";
        return std::string(mkdtemp(d.data()));
    }();
    return dir;
}

void clear_dir(const std::string& dir)
{
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                unlink((dir + "/" + e->d_name).c_str());
        }
        closedir(d);
    }
}

std::vector<std::string> file_lines(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    const std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return lines_of(Text(s));
}

// Every left line with a visible character shows, trimmed, inside a right line,
// in the same order.
bool every_account_in_order(const Text& left, const Text& right)
{
    const std::vector<std::string> out = lines_of(right);
    std::size_t at = 0;
    for (const Text& l : txt_split(left, Text("\r\n"))) {
        const std::string account = txt_trim(l).str();
        if (account.find_first_not_of(" \t") == std::string::npos)
            continue;
        while (at < out.size() && out[at].find(account) == std::string::npos)
            ++at;
        if (at == out.size())
            return false;
        ++at;
    }
    return true;
}

Text small_option(FuzzedDataProvider& in)
{
    static const char* const options[] = {"", "=", "*", "----", "\xa1\xa1", "#", "7"};
    return Text(options[in.ConsumeIntegralInRange<std::size_t>(0, std::size(options) - 1)]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FakeDesktop desktop;
    FuzzedDataProvider in(data, size);
    MemoryControls ui(control_table());
    const Text left = random_list(in), right = random_list(in);
    ui.set_content(ctl::left_box, left);
    ui.set_content(ctl::right_box, right);

    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 4: { // numbering conversion reads the left box only and keeps every account
        const bool numbering = in.ConsumeBool(), suffix = in.ConsumeBool();
        ui.set_checked(ctl::prefix_check, numbering);
        ui.set_checked(ctl::suffix_check, suffix);
        ui.set_content(ctl::prefix_text, small_option(in));
        ui.set_content(ctl::suffix_symbol, small_option(in));
        ui.set_content(ctl::suffix_text, small_option(in));
        ui.set_content(ctl::right_box, Text());
        run_conversion(ui);
        CHECK(ui.get_content(ctl::left_box) == left);
        if (numbering || suffix) // with neither there is nothing to do
            CHECK(every_account_in_order(left, ui.get_content(ctl::right_box)));
        break;
    }
    case 5: { // add suffix reads the left box only and keeps every account
        ui.set_content(ctl::group_size, txt_from_int(in.ConsumeIntegralInRange(-1, 4)));
        ui.set_content(ctl::mark_symbol, small_option(in));
        ui.set_checked(in.ConsumeBool() ? ctl::mark_first : ctl::mark_last, true);
        run_add_suffix(ui);
        CHECK(ui.get_content(ctl::left_box) == left);
        const Text out = ui.get_content(ctl::right_box);
        CHECK(out == right || out == add_suffix_notice() || every_account_in_order(left, out));
        break;
    }
    case 0: { // remove duplicates keeps exactly the first occurrences, in order
        remove_duplicate_lines(ui);
        CHECK(ui.get_content(ctl::left_box) == left);
        std::vector<std::string> expected;
        std::set<std::string> seen;
        for (const std::string& l : lines_of(left))
            if (seen.insert(l).second)
                expected.push_back(l);
        std::string joined;
        for (std::size_t i = 0; i < expected.size(); ++i)
            joined += (i > 0 ? "\r\n" : "") + expected[i];
        CHECK(ui.get_content(ctl::right_box).str() == joined);
        break;
    }
    case 1: { // pick outputs only left lines, in the left list's order
        pick_non_duplicates(ui);
        CHECK(ui.get_content(ctl::left_box) == left);
        const std::vector<std::string> out = lines_of(ui.get_content(ctl::right_box)), all = lines_of(left);
        std::size_t at = 0;
        for (const std::string& l : out) {
            while (at < all.size() && all[at] != l)
                ++at;
            CHECK(at < all.size());
            ++at;
        }
        break;
    }
    case 2: { // extract never changes the right box and keeps one line per line
        ui.set_content(ctl::extract_head, Text(in.ConsumeBool() ? "" : "a"));
        ui.set_content(ctl::extract_tail, Text(in.ConsumeBool() ? "" : "b"));
        extract_accounts(ui);
        CHECK(ui.get_content(ctl::right_box) == right);
        const Text after = ui.get_content(ctl::left_box);
        CHECK(after == left || lines_of(after).size() == lines_of(left).size());
        break;
    }
    default: { // generate never loses an account: each is in a written file or still in the box
        const std::string dir = scratch_dir();
        clear_dir(dir);
        override_program_dir(Text(dir));
        ui.set_content(ctl::block_size, txt_from_int(in.ConsumeIntegralInRange(-1, 4)));
        ui.set_checked(ctl::top_line_check, false);
        ui.set_checked(ctl::number_check, false);
        generate_text_files(ui);
        std::multiset<std::string> kept;
        for (int k = 1;; ++k) {
            const std::string path = dir + "/" + "\xe8\xb4\xa6\xe5\x8f\xb7" + std::to_string(k) + ".txt"; // 账号k.txt
            if (access(path.c_str(), F_OK) != 0)
                break;
            for (const std::string& l : file_lines(path))
                kept.insert(l);
        }
        for (const std::string& l : lines_of(ui.get_content(ctl::left_box)))
            kept.insert(l);
        for (const std::string& l : lines_of(left)) {
            if (l.find_first_not_of(" \t") == std::string::npos)
                continue; // blank lines between blocks are dropped by design
            auto it = kept.find(l);
            CHECK(it != kept.end());
            kept.erase(it);
        }
        override_program_dir(std::nullopt);
        break;
    }
    }
    return 0;
}
