#include "ops/list_tools.h"

#include "runtime/codepage.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace fenrow;

namespace {

// GBK characters whose second byte is 'A', 'a' and '|', and a full-width space.
#define CA "\x81\x41"
#define Ca "\x81\x61"
#define CBAR "\x81\x7C"
#define FW "\xA1\xA1"

struct Case {
    std::string list, want;
};

void check(const char* what, const std::vector<Case>& cases, Text (*tool)(std::string_view))
{
    for (const Case& c : cases)
        EXPECT_EQ(tool(c.list).view(), c.want) << what << ": " << testing::PrintToString(Text(c.list));
}

TEST(ListTools, DedupeWithoutCaseOrEndBlanks)
{
    check("ignore case",
          {{"a\r\nA\r\nb\r\na", "a\r\nb"},
           {"B\r\n\r\nb\r\n  \r\n" FW, "B"}, // blank lines are no items
           {CA "\r\n" Ca "\r\n" CA "x\r\n" CA "X", CA "\r\n" Ca "\r\n" CA "x"},
           {"a\rB\r\na\rb\r\na\nb", "a\rB\r\na\nb"},
           {"", ""}},
          [](std::string_view l) { return dedupe_lines(l, {true, false}); });
    check("trim",
          {{" a\r\na \r\n\ta" FW "\r\nA", " a\r\nA"},
           {"a\r\n\r\n \r\n" FW "\r\na", "a"},
           {"x\x81 \r\nx\x81", "x\x81 \r\nx\x81"}, // the space is a character's second byte
           {"a\x81" FW "\r\na\x81", "a\x81" FW "\r\na\x81"},
           {FW "a" FW "\r\na", FW "a" FW}},
          [](std::string_view l) { return dedupe_lines(l, {false, true}); });
    check("both", {{" A\r\na \r\nB\t\r\nb", " A\r\nB\t"}},
          [](std::string_view l) { return dedupe_lines(l, {true, true}); });
}

TEST(ListTools, DuplicatesAndCounts)
{
    check("dupes",
          {{"a\r\nb\r\na\r\nc\r\nb\r\na", "a\r\nb"},
           {"a\r\n\r\na\r\n\r\nb", "a\r\n"}, // blank lines by their bytes: an empty one twice
           {"a\r\nA\r\na ", ""},
           {CA "\r\n" Ca, ""},
           {"", ""}},
          [](std::string_view l) { return duplicate_lines(l); });
    check("dupes normalised", {{"a\r\nA \r\n\r\n\r\nb", "a"}},
          [](std::string_view l) { return duplicate_lines(l, {true, true}); });
    check("count",
          {{"a\r\nb\r\na\r\n\r\n", "a\t2\r\nb\t1\r\n\t1"},
           {"x\ry\r\nx\ry", "x\ry\t2"},
           {"", ""},
           {"\xD6\xD0\r\n\xD6\xD0\r\n\xD6\xD0", "\xD6\xD0\t3"}},
          [](std::string_view l) { return count_lines(l); });
    check("count normalised", {{"A\r\n a\r\n" FW "\r\nb\r\na", "A\t3\r\nb\t1"}},
          [](std::string_view l) { return count_lines(l, {true, true}); });
}

TEST(ListTools, TwoLists)
{
    const struct {
        std::string a, b, intersect, merge, only;
        LineCompare c;
    } cases[] = {
        {"a\r\nb\r\nc\r\na", "c\r\nd\r\nb\r\nd", "b\r\nc", "a\r\nb\r\nc\r\nd", "a\r\nd", {}},
        {"a\r\n\r\n \r\nb", "\r\n" FW "\r\nb", "b", "a\r\nb", "a", {}},
        {"A\r\n" CA, "a\r\n" Ca, "", "A\r\n" CA "\r\na\r\n" Ca, "A\r\n" CA "\r\na\r\n" Ca, {}},
        {"A\r\n" CA, "a\r\n" Ca, "A", "A\r\n" CA "\r\n" Ca, CA "\r\n" Ca, {true, false}},
        {" a\r\nb", "a \r\nb\t", " a\r\nb", " a\r\nb", "", {false, true}},
        {"", "", "", "", "", {}},
        {"a", "", "", "a", "a", {}},
    };
    for (const auto& c : cases) {
        const std::string label = testing::PrintToString(Text(c.a)) + " | " + testing::PrintToString(Text(c.b));
        EXPECT_EQ(intersect_lines(c.a, c.b, c.c).view(), c.intersect) << label;
        EXPECT_EQ(merge_lines(c.a, c.b, c.c).view(), c.merge) << label;
        EXPECT_EQ(only_lines(c.a, c.b, c.c).view(), c.only) << label;
    }
}

// Against a plain reference over lists of a few lines from a small stock.
TEST(ListTools, TwoListsAgreeWithSets)
{
    const std::vector<std::string> stock = {"a", "A", " a", "a\t", "b", "", "  ", FW, CA, Ca, "x\ry", "\xD6\xD0"};
    const auto key = [](std::string s, LineCompare c) {
        if (c.trim) {
            for (bool cut = true; cut;) {
                cut = false;
                for (const std::string end : {" ", "\t", FW}) {
                    if (s.starts_with(end))
                        s.erase(0, end.size()), cut = true;
                    if (s.ends_with(end))
                        s.erase(s.size() - end.size()), cut = true;
                }
            }
        }
        if (c.ignore_case && !(s.size() == 2 && static_cast<unsigned char>(s[0]) > 0x80))
            std::transform(s.begin(), s.end(), s.begin(), [](char x) { return ascii_lower(x); });
        return s;
    };
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        const LineCompare c{round % 2 == 1, round % 4 >= 2};
        std::vector<std::string> a, b;
        for (auto* list : {&a, &b})
            for (int n = static_cast<int>(random() % 6); n > 0; --n)
                list->push_back(stock[random() % stock.size()]);
        const auto join = [](const std::vector<std::string>& lines) {
            std::string s;
            for (std::size_t i = 0; i < lines.size(); ++i)
                s += (i ? "\r\n" : "") + lines[i];
            return s;
        };
        std::set<std::string> keys_a, keys_b;
        for (const std::string& l : b)
            if (!key(l, {false, true}).empty())
                keys_b.insert(key(l, c));
        std::vector<std::string> intersect, merge, only;
        for (const std::string& l : a) {
            const std::string k = key(l, c);
            if (key(l, {false, true}).empty() || !keys_a.insert(k).second)
                continue;
            merge.push_back(l);
            (keys_b.contains(k) ? intersect : only).push_back(l);
        }
        std::set<std::string> seen_b;
        for (const std::string& l : b) {
            const std::string k = key(l, c);
            if (key(l, {false, true}).empty() || keys_a.contains(k) || !seen_b.insert(k).second)
                continue;
            merge.push_back(l);
            only.push_back(l);
        }
        const std::string label = testing::PrintToString(Text(join(a))) + " | " + testing::PrintToString(Text(join(b)));
        ASSERT_EQ(intersect_lines(join(a), join(b), c).view(), join(intersect)) << label;
        ASSERT_EQ(merge_lines(join(a), join(b), c).view(), join(merge)) << label;
        ASSERT_EQ(only_lines(join(a), join(b), c).view(), join(only)) << label;
    }
}

TEST(ListTools, Filter)
{
    const struct {
        const char* text;
        bool regex, ignore_case;
        std::string list, kept, dropped;
    } cases[] = {
        {"a", false, false, "ab\r\nA\r\n" CA "\r\n\r\nca", "ab\r\nca", "A\r\n" CA "\r\n"},
        {"a", false, true, "ab\r\nA\r\n" CA "\r\n" Ca, "ab\r\nA", CA "\r\n" Ca},
        {"|", false, false, "a|b\r\n" CBAR "\r\n" CBAR "|", "a|b\r\n" CBAR "|", CBAR},
        {"", false, false, "a\r\n\r\nb", "a\r\n\r\nb", ""},
        {"\x81", false, false, CA "\r\nx\x81", "x\x81", CA}, // no half of a character
        {"\xD6\xD0", false, false, "\xD6\xD0\xCE\xC4\r\nx\xD6\r\n\xD0", "\xD6\xD0\xCE\xC4", "x\xD6\r\n\xD0"}, // one line: the CR is a second byte
        {"^a\\d+$", true, false, "a1\r\nA2\r\na\r\nxa3", "a1", "A2\r\na\r\nxa3"},
        {"^a\\d+$", true, true, "a1\r\nA2\r\na", "a1\r\nA2", "a"},
        {"b$", true, false, "a\rb\r\nb\nc", "a\rb", "b\nc"},
        {"^$", true, false, "\r\nx\r\n\r\n", "\r\n", "x"},
    };
    for (const auto& c : cases) {
        for (const bool invert : {false, true}) {
            const Filtered f = filter_lines(c.list, {Text(c.text), c.regex, c.ignore_case, invert});
            EXPECT_TRUE(f.done);
            EXPECT_EQ(f.list.view(), invert ? c.dropped : c.kept) << c.text << " " << testing::PrintToString(Text(c.list));
        }
    }
    const Filtered bad = filter_lines("a", {Text("("), true, false, false});
    EXPECT_FALSE(bad.done);
    EXPECT_TRUE(bad.message.has_value());
}

TEST(ListTools, SortIsStableInByteOrNaturalOrder)
{
    check("bytes", {{"b\r\na\r\nB\r\n\r\n\xD6\xD0\r\na", "\r\nB\r\na\r\na\r\nb\r\n\xD6\xD0"}, {"", ""}},
          [](std::string_view l) { return sort_lines(l); });
    check("reverse", {{"b\r\na\r\nc", "c\r\nb\r\na"}},
          [](std::string_view l) { return sort_lines(l, {false, true}); });
    check("natural", {{"a10\r\na9\r\na010\r\nb1\r\na09x\r\na9", "a9\r\na9\r\na09x\r\na10\r\na010\r\nb1"},
                      {"x100000000000000000000\r\nx99999999999999999999", "x99999999999999999999\r\nx100000000000000000000"},
                      {"\x81" "3\r\n\x81" "12", "\x81" "12\r\n\x81" "3"}, // digits in a character are no number
                      {"2\r\n10\r\n1a", "1a\r\n2\r\n10"}},
          [](std::string_view l) { return sort_lines(l, {true, false}); });
    // Equal keys keep their order when the order is reversed as well.
    check("natural reverse", {{"a1\r\nb\r\na01\r\na2", "b\r\na2\r\na1\r\na01"}},
          [](std::string_view l) { return sort_lines(l, {true, true}); });
}

// The sort's own ordering against natural_less, on lines of digits, zeros,
// letters and characters whose second byte is a digit.
TEST(ListTools, NaturalSortOrdersAsNaturalLess)
{
    const std::vector<std::string> parts = {"0", "00", "1", "9", "10", "123456789", "0123456789", "a", "/", ":", CA, "\x81" "1"};
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines(1 + random() % 8);
        for (std::string& l : lines)
            for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) // no empty line: one at the end is none
                l += parts[random() % parts.size()];
        std::string list;
        for (std::size_t i = 0; i < lines.size(); ++i)
            list += (i ? "\r\n" : "") + lines[i];
        for (const bool reverse : {false, true}) {
            std::vector<std::string> want = lines;
            std::stable_sort(want.begin(), want.end(), [&](const std::string& a, const std::string& b) {
                return reverse ? natural_less(b, a) : natural_less(a, b);
            });
            std::string joined;
            for (std::size_t i = 0; i < want.size(); ++i)
                joined += (i ? "\r\n" : "") + want[i];
            ASSERT_EQ(sort_lines(list, {true, reverse}).view(), joined) << testing::PrintToString(Text(list));
        }
    }
}

TEST(ListTools, ShuffleIsTheSameForTheSameSeedEverywhere)
{
    const std::string list = "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8";
    // Fixed bytes: a change of generator or of its use shows here first.
    EXPECT_EQ(shuffle_lines(list, 42).view(), shuffle_lines(list, 42).view());
    EXPECT_EQ(shuffle_lines(list, 42).view(), "4\r\n2\r\n7\r\n3\r\n5\r\n1\r\n8\r\n6"); // splitmix64, Fisher-Yates from the end
    EXPECT_NE(shuffle_lines(list, 42).view(), shuffle_lines(list, 43).view());
    EXPECT_EQ(sort_lines(shuffle_lines(list, 9).view()).view(), list);
    EXPECT_EQ(shuffle_lines("", 1).view(), "");
    EXPECT_EQ(shuffle_lines("a\r\n\r\n", 5).view().size(), 3u); // the empty line moves with the rest
}

TEST(ListTools, Trim)
{
    check("trim",
          {{" a \r\n\t" FW "b" FW "\r\n  \r\n" FW "\r\nc", "a\r\nb\r\n\r\n\r\nc"},
           {"x\x81 \r\n a\rb ", "x\x81 \r\na\rb"},
           {"\xD6\xD0 \xCE\xC4 ", "\xD6\xD0 \xCE\xC4"},
           {"", ""}},
          [](std::string_view l) { return trim_lines(l); });
}

TEST(ListTools, EveryToolHasItsEntry)
{
    std::set<const char*> commands;
    for (const ListToolEntry& e : list_tools()) {
        EXPECT_EQ(list_tool(e.tool).command, e.command);
        EXPECT_FALSE(e.caption.empty());
        EXPECT_TRUE(commands.insert(e.command).second) << e.command;
    }
    EXPECT_EQ(list_tools().size(), static_cast<std::size_t>(ListTool::trim) + 1);
}

} // namespace
