#include "runtime/text_routines.h"

#include "runtime/codepage.h"
#include "runtime/line_chunks.h"
#include "runtime/work_pool.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace fenrow;

TEST(TextBetween, MarkersAndCases)
{
    const struct {
        Text line, head, tail, result;
    } cases[] = {
        {"u1----p1,x", "----", ",", "p1"},
        {"u1----p1,x", "", ",", "u1----p1"},
        {"u1----p1,x", "----", "", "p1,x"},
        {"u1----p1,x", "", "", "u1----p1,x"},
        {"u1----p1", "----", ",", ""},   // no tail behind the head
        {"abc", "#", ",", ""},           // no head
        {"Name:Bob;", "name:", ";", "Bob"},
        {"k=\"v\";", "#引号"_t, "#引号"_t, "v"},
        {",a,", ",", ",", "a"},          // the tail is searched behind the head
        {"", "a", "b", ""},
        {"", "", "", ""},
        {"a--b--c", "--", "--", "b"},    // the first head counts
        {"ab", "b", "", ""},             // head at the very end
        {"x\xd6\xd0y", "\xd0", "", ""},  // never inside a character
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_between(c.line, c.head, c.tail), c.result) << c.line.str() << " | " << c.head.str();
    EXPECT_EQ(text_between("Name:Bob;", "name:", ";", 0, true), Text());
    EXPECT_EQ(text_between("a:1;b:2;", ":", ";", 4), Text("2"));
}

TEST(RemoveDuplicateItems, FirstOccurrencesInPlace)
{
    const Text crlf = "\r\n";
    const struct {
        Text in, sep, out;
    } cases[] = {
        {"a\r\nb\r\na\r\n", crlf, "a\r\nb"},
        {"a\r\nA", crlf, "a\r\nA"},
        {"a\r\n\r\n\r\nb\r\n\r\nc", crlf, "a\r\n\r\nb\r\nc"},
        {"\r\n", crlf, ""},
        {"", crlf, ""},
        {"a\r\n\r\n", crlf, "a\r\n"},
        {"x=1; y=2; x=1", "; ", "x=1; y=2"},
        {"a,b", "", "a,b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(remove_duplicate_items(c.in, c.sep), c.out);

    // On the pool, cut into any number of chunks: the same bytes, many repeats or few.
    WorkPool pool(3);
    const char* const pieces[] = {"\r\n", "\r", "\n", "a", "b", "A", "\xd6\xd0", "\x81", " ", "\xff\r\n"};
    std::mt19937 rng(4);
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        const std::size_t kinds = 2 + rng() % (std::size(pieces) - 1); // few kinds: many repeats
        for (int n = static_cast<int>(rng() % 60); n > 0; --n)
            s += pieces[rng() % kinds];
        const Text serial = remove_duplicate_items(Text(s), crlf);
        for (std::size_t chunks : {1, 2, 5, 9})
            ASSERT_EQ(remove_duplicate_lines_on(pool, s, chunks), serial) << testing::PrintToString(s);
    }
    // Two different lines of one 32-bit hash both stay.
    ASSERT_EQ(SpanSet::hash("k73219"), SpanSet::hash("k120150"));
    EXPECT_EQ(remove_duplicate_lines_on(pool, "k73219\r\nk120150\r\nk73219\r\nk120150\r\nk7", 2),
              Text("k73219\r\nk120150\r\nk7"));
}

TEST(IndexOf, ExactBytes)
{
    TextArray a;
    array_append(a, "x");
    array_append(a, "X");
    array_append(a, "x");
    EXPECT_EQ(index_of(a, "x"), 1);
    EXPECT_EQ(index_of(a, "X"), 2);
    EXPECT_EQ(index_of(a, "y"), -1);
    EXPECT_EQ(index_of(TextArray(), ""), -1);
}

TEST(ForEachCrlfPiece, CutsWhereTxtSplitCuts)
{
    // Runs of bytes above 0x80 of both parities before a CR, CR and LF alone.
    const char* const pieces[] = {"\r\n", "\r", "\n", "a", "\x81", "\xd6\xd0", "\x80", "\xff\r\n"};
    std::mt19937 rng(9);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        // Every other text long enough to span the 64-byte blocks CRs are found in.
        for (int n = static_cast<int>(rng() % (round % 2 == 0 ? 12 : 90)); n > 0; --n)
            s += pieces[rng() % std::size(pieces)];
        std::vector<Text> got;
        for_each_crlf_piece(s, [&](std::string_view p) { got.emplace_back(p); });
        ASSERT_EQ(got, txt_split(Text(s), Text("\r\n")).items()) << testing::PrintToString(s);
        ASSERT_EQ(rough_line_count(s), 1 + static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')));

        // The same text fed in random parts, cut anywhere, even inside a CR LF.
        std::vector<Text> streamed;
        const auto keep = [&](std::string_view p) { streamed.emplace_back(p); };
        CrlfPieceStream stream;
        for (std::size_t at = 0; at < s.size();) {
            const std::size_t n = std::min<std::size_t>(rng() % 5, s.size() - at);
            stream.feed(std::string_view(s).substr(at, n), keep);
            at += n;
        }
        stream.finish(keep);
        ASSERT_EQ(streamed, got) << testing::PrintToString(s);

        // Cut into chunks for the pool: the chunks' pieces are the text's.
        const std::vector<std::string_view> chunks = crlf_chunks(s, 1 + rng() % 6);
        std::vector<Text> chunked;
        std::string joined;
        for (std::size_t c = 0; c < chunks.size(); ++c) {
            ASSERT_TRUE(c + 1 == chunks.size() || chunks[c].ends_with("\r\n")) << testing::PrintToString(s);
            for_each_crlf_piece(chunks[c], [&](std::string_view p) { chunked.emplace_back(p); });
            joined += chunks[c];
        }
        ASSERT_EQ(joined, s);
        ASSERT_EQ(chunked, got) << testing::PrintToString(s);
    }
}

TEST(SpanSet, HoldsEachStringOnceThroughGrowth)
{
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i)
        words.push_back(std::string(static_cast<std::size_t>(i % 23), 'x') + std::to_string(i % 1700));
    for (int i = 0; i < 6; ++i) // sizes past what a slot holds, some alike
        words.push_back(std::string(0xFFFE + static_cast<std::size_t>(i % 3), 'y'));
    std::string all;
    for (const std::string& w : words)
        all += w;
    SpanSet set(all, 4); // grows many times
    std::set<std::string_view> model;
    std::size_t at = 0;
    for (const std::string& w : words) {
        const std::string_view in_all = std::string_view(all).substr(at, w.size());
        at += w.size();
        ASSERT_EQ(set.insert(in_all), model.insert(w).second) << w;
    }
    const std::string moved = std::exchange(all, std::string(all.size(), '-'));
    set.rebase(moved);
    for (const std::string& w : words)
        EXPECT_TRUE(set.contains(w, SpanSet::hash(w)));
    EXPECT_FALSE(set.contains("y", SpanSet::hash("y")));
    EXPECT_TRUE(set.insert(std::string_view(moved).substr(0, 0)));
    EXPECT_FALSE(set.insert(std::string_view(moved).substr(5, 0)));
}
