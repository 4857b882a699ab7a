#include "ops/split.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/blank_lines.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <random>

using namespace fenrow;

namespace {

const Text short_list_text = "前部分账号已分完，剩余账号小于待分账号个数，存在左侧！"_t;

struct Options {
    Text count = "3";
    bool numbered = true;
    Text separator = "=";
    bool with_top = true;
    Text top = "[账号]"_t;
};

void set_options(MemoryControls& ui, const Options& o)
{
    ui.set_content(ctl::block_size, o.count);
    ui.set_checked(ctl::number_check, o.numbered);
    ui.set_content(ctl::number_separator, o.separator);
    ui.set_checked(ctl::top_line_check, o.with_top);
    ui.set_content(ctl::top_line, o.top);
}

// The block taken the slow way, one box round trip per line.
Text take_line_by_line(Controls& ui)
{
    const TextArray lines = txt_split(ui.get_content(ctl::left_box), Text("\r\n"));
    const int total = array_count(lines);
    ui.set_content(ctl::right_box, Text());
    Text block;
    const int32_t n = txt_to_int(ui.get_content(ctl::block_size));
    for (int i = 1; i <= n; ++i) {
        if (total < n) {
            message_box(short_list_text);
            break;
        }
        if (ui.is_checked(ctl::number_check))
            block += txt_from_int(i) + ui.get_content(ctl::number_separator);
        block += array_at(lines, i) + "\r\n";
        ui.set_content(ctl::left_box, delete_line(ui.get_content(ctl::left_box), 1));
    }
    if (ui.is_checked(ctl::top_line_check))
        block = ui.get_content(ctl::top_line) + "\r\n" + block;
    return remove_blank_lines(block);
}

TEST(AccountLineSpans, CutsLikeTxtSplit)
{
    const char* const pieces[] = {"\r", "\n", "\r\n", "\r\n", "a", " ", "\xd6\xd0", "\x81", "\xb0\x0d", "\x80"};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 25);
    for (int round = 0; round < 5000; ++round) {
        std::string s;
        for (std::size_t n = length(rng); n > 0; --n)
            s += pieces[piece(rng)];
        const Text t(s);
        std::vector<Text> cut;
        for (const LineSpan& l : account_line_spans(t.view()))
            cut.emplace_back(t.view().substr(l.begin, l.size));
        ASSERT_EQ(TextArray(cut), txt_split(t, Text("\r\n"))) << testing::PrintToString(t);
    }
}

TEST(DeleteLine, Examples)
{
    const struct {
        Text in;
        int n;
        Text out;
    } cases[] = {
        {"a\r\nb\r\nc", 1, "b\r\nc"},
        {"a\r\nb\r\nc", 2, "a\r\nc"},
        {"a\r\nb\r\n", 1, "b"},                // the trailing CR LF goes
        {"a\r\nb\r\n\r\n", 1, "b\r\n"},        // an empty last line is kept as a trailing CR LF
        {"a\r\n\r\nb", 1, "\r\nb"},            // a blank line is a line
        {"a\r\nb\r\n", 0, "a\r\nb"},           // out of range: nothing removed, still re-joined
        {"", 1, ""},
        {"\r\n", 1, ""},
        {"\xb0\r\nb\r\nc", 1, "c"},            // a CR as second byte of a character ends no line
    };
    for (const auto& c : cases)
        EXPECT_EQ(delete_line(c.in, c.n), c.out) << testing::PrintToString(c.in) << " line " << c.n;
}

TEST(TakeAccountBlock, Examples)
{
    const Text five = "a1\r\na2\r\na3\r\na4\r\na5";
    const struct {
        const char* name;
        Text left;
        Options options;
        Text block, left_after;
        bool short_list;
    } cases[] = {
        {"numbered with top", five, {}, "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t, "a4\r\na5", false},
        {"plain", five, {"3", false, "=", false, ""}, "a1\r\na2\r\na3", "a4\r\na5", false},
        {"empty top text adds nothing", five, {"3", true, "----", true, ""}, "1----a1\r\n2----a2\r\n3----a3",
         "a4\r\na5", false},
        {"short list", "a1\r\na2", {"3", true, "=", false, ""}, "", "a1\r\na2", true},
        {"blank line taken into a block", "a1\r\n\r\na2\r\na3", {"2", false, "", false, ""}, "a1\r\n", "a2\r\na3",
         false},
        {"zero count", five, {"0", true, "=", true, "T"}, "T", five, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryControls ui(control_table());
        FakeDesktop desktop;
        set_options(ui, c.options);
        ui.set_content(ctl::left_box, c.left);
        ui.set_content(ctl::right_box, "old result");
        EXPECT_EQ(take_account_block(ui), c.block);
        EXPECT_EQ(ui.get_content(ctl::left_box), c.left_after);
        EXPECT_EQ(ui.get_content(ctl::right_box), Text());
        ASSERT_EQ(desktop.boxes.size(), c.short_list ? 1u : 0u);
        if (c.short_list) {
            EXPECT_EQ(desktop.boxes[0].content, short_list_text);
            EXPECT_EQ(desktop.boxes[0].title, "信息："_t);
        }
    }
}

// Successive takes on random lists, blank and whitespace lines among them,
// agree with the line-by-line way in blocks, boxes and messages.
TEST(TakeAccountBlock, AgreesWithTakingLineByLine)
{
    const char* const lines[] = {"a", "bb", "", "", " ", "\t", "\xd5\xcb", "x\r", "\ny"};
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::size_t> line(0, std::size(lines) - 1), length(0, 14);
    std::uniform_int_distribution<int> count(-1, 4), coin(0, 1), ending(0, 3);
    for (int round = 0; round < 1500; ++round) {
        std::string s;
        for (std::size_t n = length(rng); n > 0; --n)
            s += std::string(lines[line(rng)]) + "\r\n";
        if (const int e = ending(rng); e == 0 && !s.empty())
            s.resize(s.size() - 2); // without the last CR LF
        else if (e == 1)
            s += "\r\n\r\n";
        const Options o{txt_from_int(count(rng)), coin(rng) == 1, "=", coin(rng) == 1, coin(rng) ? "[T]" : ""};

        MemoryControls fast(control_table()), slow(control_table());
        set_options(fast, o);
        set_options(slow, o);
        fast.set_content(ctl::left_box, Text(s));
        slow.set_content(ctl::left_box, Text(s));
        for (int take = 0; take < 4; ++take) {
            FakeDesktop fast_desktop;
            const Text fast_block = take_account_block(fast);
            const std::size_t fast_boxes = fast_desktop.boxes.size();
            fast_desktop.boxes.clear();
            const Text slow_block = take_line_by_line(slow);
            ASSERT_EQ(fast_block, slow_block) << testing::PrintToString(s) << " take " << take;
            ASSERT_EQ(fast.get_content(ctl::left_box), slow.get_content(ctl::left_box))
                << testing::PrintToString(s) << " take " << take;
            ASSERT_EQ(fast_boxes, fast_desktop.boxes.size());
        }
    }
}

} // namespace
