#include "ops/duplicates.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/work_pool.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

const ControlName left_box = ctl::left_box, right_box = ctl::right_box;

std::string label(const Text& a, const Text& b) { return testing::PrintToString(a) + " | " + testing::PrintToString(b); }

TEST(RemoveDuplicateLines, FirstOccurrencesIntoTheRightBox)
{
    const struct {
        Text left, result;
    } cases[] = {
        {"a\r\nb\r\na\r\n", "a\r\nb"},
        {"a\r\nA", "a\r\nA"},
        {"Acc1\r\nacc1", "Acc1\r\nacc1"},
        {"a\r\n\r\n\r\nb\r\n\r\nc", "a\r\n\r\nb\r\nc"},
        {"a\r\n\r\n", "a\r\n"},
        {"a \r\na\r\n账号\r\n账号"_t, "a \r\na\r\n账号"_t},
        {"\r\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        MemoryControls ui(control_table());
        ui.set_content(left_box, c.left);
        ui.set_content(right_box, "old");
        remove_duplicate_lines(ui);
        EXPECT_EQ(ui.get_content(right_box), c.result) << testing::PrintToString(c.left);
        EXPECT_EQ(ui.get_content(left_box), c.left);
        EXPECT_EQ(ui.content_changed_count(right_box), 2);
    }
}

TEST(PickNonDuplicates, LeftLinesTheRightListLacks)
{
    const struct {
        Text left, right, result;
    } cases[] = {
        {"a\r\nb\r\nc\r\n", "b\r\n", "a\r\nc\r\n"},
        {"a\r\nB\r\nc", "b", "a\r\nc\r\n"},
        {"a\r\na\r\nx", "x", "a\r\na\r\n"},
        {"a\r\n\r\nb", "", "a\r\n\r\nb\r\n"},
        {"", "a\r\nb", ""},
        {"a\r\nb", "a\r\nb", ""},
        // Case and outer blanks do not count, inner blanks do.
        {"Acc1\r\nacc2", "ACC1\r\n acc2", ""},
        {"\t Acc1 \r\nacc2\t", "ACC1\r\nacc2", ""},
        {"a b\r\nab", "ab", "a b\r\n"},
        // Letters of other alphabets fold too; full-width letters are not ASCII.
        {"ａｂｃ\r\nabc\r\nпривет\r\n账号Ab"_t, "ＡＢＣ\r\nПРИВЕТ\r\n账号aB"_t, "abc\r\n"},
        {"　abc"_t, "abc", "　abc\r\n"_t}, // the full-width space is no blank
        // Blank lines are always picked, whatever the right list holds.
        {"\r\n \r\n\t\x01\r\nx", " \r\n\t\x01\r\n\r\nx", "\r\n \r\n\t\x01\r\n"},
        // Leading control bytes are dropped from a left line before the lookup.
        {"\x01" "abc\r\n\x0b" "ABC", "abc", ""},
        // Right lines that the settings file cannot hold, or that no left line
        // can reach, never make a left line present.
        {"\x01" "abc\r\nabc", "\x01" "abc", "\x01" "abc\r\nabc\r\n"},
        {"a\rb\r\na\nb\r\na", "a\rb\r\na\nb\r\na\n", "a\rb\r\na\nb\r\na\r\n"},
        {"ab\x81", "ab\x81", "ab\x81\r\n"}, // only a last line can end in a lead byte
        {"\x81\x41\r\nab\x81 ", "\x81\x41\r\nab\x81 ", ""},
        {"[x]\r\nk=v\r\n;c\r\n]", "[X]\r\nK=v\r\n;C\r\n]", ""},
    };
    for (const auto& c : cases) {
        FakeDesktop desktop;
        MemoryControls ui(control_table());
        ui.set_content(left_box, c.left);
        ui.set_content(right_box, c.right);
        pick_non_duplicates(ui);
        EXPECT_EQ(ui.get_content(right_box), c.result) << label(c.left, c.right);
        EXPECT_EQ(ui.get_content(left_box), c.left);
        EXPECT_EQ(ui.content_changed_count(left_box), 1);
        EXPECT_EQ(ui.content_changed_count(right_box), 2); // one write of the whole result
    }
    const Text leftover = program_dir() + Text(std::string(1, path_separator)) + "是否重复.ini"_t;
    EXPECT_FALSE(fs::exists(to_fs_path(leftover))); // the set lives in memory, never in a file
}

// The same comparison done the way the settings file does it: every right
// line written as a section, every left line looked up.
Text pick_through_settings_file(const Text& file, const Text& left, const Text& right)
{
    for (const Text& x : txt_split(right, Text("\r\n")))
        ini_write(file, x, Text("1"), Text("1"));
    Text result;
    for (const Text& y : txt_split(left, Text("\r\n"))) {
        if (ini_read(file, y, "1") != Text("1"))
            result += y + Text("\r\n");
    }
    file_delete(file);
    return result;
}

TEST(PickNonDuplicates, AgreesWithTheSettingsFile)
{
    const fenrow::test::TempDir dir("fenrow-pick-");
    const std::u8string dir_utf8 = dir.path().u8string();
    const Text file = text_from_utf8(std::string(dir_utf8.begin(), dir_utf8.end())) + Text(std::string(1, path_separator)) + "set.ini";

    const char* const pieces[] = {"a", "A", "b", " ", "\t", "\x01", "\r", "\n", "\r\n", "]", "[", "=", ";",
                                  "\x80", "\x81", "\x81\x41", "\x81\x61", "\xa3\xc1", "\xa3\xe1", "\xa6\xa1",
                                  "\xa6\xc1", "\xff", "\x94\x39\xfc\x36", "\xd5\xcb"};
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 4), lines(0, 6);
    const auto list = [&] {
        std::string s;
        for (std::size_t n = lines(rng); n > 0; --n) {
            for (std::size_t k = length(rng); k > 0; --k)
                s += pieces[piece(rng)];
            if (n > 1 || rng() % 2)
                s += "\r\n";
        }
        return Text(std::move(s));
    };
    for (int round = 0; round < 400; ++round) {
        // Left lines are often right lines with a piece added at either end.
        const Text right = list();
        std::string left_bytes = list().str();
        for (const Text& x : txt_split(right, Text("\r\n"))) {
            if (rng() % 2)
                left_bytes += std::string(pieces[piece(rng)]) + x.str() + (rng() % 2 ? pieces[piece(rng)] : "") + "\r\n";
        }
        const Text left(std::move(left_bytes));
        MemoryControls ui(control_table());
        ui.set_content(left_box, left);
        ui.set_content(right_box, right);
        pick_non_duplicates(ui);
        ASSERT_EQ(ui.get_content(right_box), pick_through_settings_file(file, left, right)) << label(left, right);
    }
    for (int round = 0; round < 100; ++round) {
        for (const Text& x : txt_split(list(), Text("\r\n"))) {
            EXPECT_EQ(holds_as_section_name(x.view()), ini_write(file, x, Text("1"), Text("1"))) << testing::PrintToString(x);
            file_delete(file);
        }
    }
}

TEST(PickNonDuplicates, LetsTheWindowPaintNowAndThenButTakesNoInput)
{
    std::string left, right;
    for (int i = 0; i < 20000; ++i) {
        left += "user" + std::to_string(i) + "\r\n";
        right += "USER" + std::to_string(2 * i) + "\r\n";
    }
    FakeDesktop desktop;
    MemoryControls ui(control_table());
    ui.set_content(left_box, Text(std::move(left)));
    ui.set_content(right_box, Text(std::move(right)));
    pick_non_duplicates(ui);
    EXPECT_EQ(count_box_lines(ui.get_content(right_box)), 10001);
    EXPECT_GE(desktop.paints_processed, 4);  // while building the set and while picking
    EXPECT_LE(desktop.paints_processed, 40); // but not for every line
    EXPECT_EQ(desktop.events_processed, 0);  // a click elsewhere waits until the pick is over
}

TEST(PickNonDuplicates, OnThePoolTheSameBytes)
{
    // Megabytes on both sides, so that both are cut into chunks: other cases,
    // blanks at the ends, Chinese, lone lead bytes, control bytes, repeats;
    // Chinese with ASCII, a second byte below 0x80, a lead byte before a blank.
    const char* const lines[] = {"user1", "USER1", " user2\t", "\xd5\xc5\xc8\xfd", "\xa3\xc1", "\xa3\xe1", "",
                                 " ", "\t", "\x01x", "a\rb", "a\nb", "x\xd6", "Ab7", "ab7 ", " \tUSER2",
                                 "\xd5\xc5" "Ab ", "\xd5\xc5" "ab", "\x81\x40", "\xd5 ", "\xd5\xc5\xa1\xa1", "\x80"};
    std::mt19937 rng(5);
    const auto list = [&] {
        std::string s;
        while (s.size() < (3u << 20)) {
            const std::string number = std::to_string(rng() % 50000), line = lines[rng() % std::size(lines)];
            s += rng() % 4 ? line + number : number + line; // or the line's own end last
            s += rng() % 50 ? "\r\n" : "\n";
        }
        return s;
    };
    const std::string left = list(), right = list();
    WorkPool pool(3);
    int paints = 0;
    const Text picked = pick_missing(left, right, [&] { ++paints; }, &pool);
    EXPECT_EQ(picked, pick_missing(left, right));
    EXPECT_GE(paints, 3); // between the caller's share of each step
}

} // namespace
