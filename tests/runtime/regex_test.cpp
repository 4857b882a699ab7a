#include "runtime/regex.h"

#include "runtime/codepage.h"
#include "tests/support/print.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace fenrow;

namespace {

// A pattern the engine rejects throws here.
Regex compiled(const Text& pattern, RegexFlags flags) { return std::move(regex_compile(pattern, flags).value()); }

constexpr RegexFlags plain{}, multiline{.multiline = true}, ignore_case{.ignore_case = true}, global{.global = true};

TEST(Regex, DialectAndFlags)
{
    const struct {
        Text pattern, subject;
        RegexFlags flags;
        int matches;
    } cases[] = {
        {"^\\s$", " ", plain, 1},           {"^\\s$", "\t", plain, 1},
        {"^\\s$", "\n", plain, 1},          {"^\\s$", "\v", plain, 1},
        {"^\\s$", "\f", plain, 1},          {"^\\s$", "\r", plain, 1},
        {"\\s", "\xa1\xa1", plain, 0},      {"\\s", "\xc2\xa0"_t, plain, 0}, // full-width space, NBSP
        {"a.b", "a\tb", plain, 1},          {"a.b", "a\nb", plain, 0},
        {"a.b", "a\rb", plain, 0},          {"^b", "a\r\nb", plain, 0},
        {"^b", "a\r\nb", multiline, 1},     {"a$", "a\nb", plain, 0},
        {"a$", "a\rb", multiline, 1},       {"a$", "a\n", plain, 0},
        {"^$", "a\r\n", multiline, 1},      {"\\u0041\\x42", "AB", plain, 1},
        {"a[]", "a", plain, 0},             {"a[^]b", "a\nb", plain, 1},
        {"(x)?\\1y", "y", plain, 1},        {"\xa3\xc1", "\xa3\xe1", plain, 0}, // Ａ, ａ
        {"\xa3\xc1", "\xa3\xe1", ignore_case, 1},
        {"A", "a", plain, 0},               {"A", "a", ignore_case, 1},
        {".", "\xff\x81", global, 0},       {"a", "aaa", plain, 1},
        {"a", "aaa", global, 3},            {"^a", "a\na", {.multiline = true, .global = true}, 2},
    };
    for (const auto& c : cases) {
        const auto m = regex_match(compiled(c.pattern, c.flags), c.subject);
        ASSERT_TRUE(m);
        EXPECT_EQ(static_cast<int>(m->size()), c.matches) << c.pattern.str() << " in " << c.subject.str();
    }
}

TEST(Regex, MatchesAndGroupsCountBytes)
{
    // 中 takes two bytes (one UTF-16 unit), U+1F600 four (two units), 0xFF one and forms no character.
    const Text subject = "中"_t + T("\xff") + "😀x中😀x"_t;
    const auto m = regex_match(compiled("(.)x|(q)", global), subject);
    ASSERT_TRUE(m);
    const RegexMatch expected[] = {
        {{3, "😀x"_t}, {RegexSpan{3, "😀"_t}, std::nullopt}},
        {{10, "😀x"_t}, {RegexSpan{10, "😀"_t}, std::nullopt}},
    };
    EXPECT_EQ(*m, std::vector<RegexMatch>(std::begin(expected), std::end(expected)));
    EXPECT_EQ(compiled("(.)x|(q)", plain).groups(), 2);
}

TEST(Regex, ReplacementTokens)
{
    const struct {
        const char *pattern, *subject, *with, *result;
    } cases[] = {
        {"(a)(b)", "xaby", "$2$1", "xbay"},
        {"b", "abc", "[$&|$`|$'|$$]", "a[b|a|c|$]c"},
        {"(a)", "a", "$10$0$9$", "a0$0$9$"},
        {"(a)|(b)", "a", "<$2>", "<>"},
        {"(a)(a)(a)(a)(a)(a)(a)(a)(a)(a)(b)", "aaaaaaaaaab", "$11$01", "ba"},
        {"x*", "abc", "-", "-a-b-c-"},
        {"x*", "\xd6\xd0\x94\x39\xfc\x36", "-", "-\xd6\xd0-\x94\x39\xfc\x36-"}, // 中, U+1F600
        {"\\n\\s*\\r", "a\r\n \r\n\t\r\nb", "", "a\r\nb"},
        {"b", "\xff" "a\x81\r\nb", "c", "\xff" "a\x81\r\nc"}, // bytes that form no character stay
    };
    for (const auto& c : cases)
        EXPECT_EQ(regex_replace(compiled(c.pattern, global), c.subject, c.with), Text(c.result)) << c.pattern;
    EXPECT_EQ(regex_replace(compiled("a", plain), "aaa", "b"), Text("baa"));
}

TEST(Regex, Split)
{
    using Pieces = std::vector<Text>;
    const struct {
        Text pattern, subject;
        RegexFlags flags;
        Pieces pieces;
    } cases[] = {
        {",", "a,中,,b"_t, global, {"a", "中"_t, "", "b"}},
        {"x*", "中a"_t, global, {"", "中"_t, "a", ""}},
        {"\\s*;\\s*", "a ; b;c", plain, {"a", "b;c"}},
        {",", "ab", global, {"ab"}},
        {",", "", global, {""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(regex_split(compiled(c.pattern, c.flags), c.subject), c.pieces) << c.pattern.str();
}

TEST(Regex, RejectedPatternsAndRunawaySearchesFail)
{
    EXPECT_FALSE(regex_compile("("));
    EXPECT_FALSE(regex_compile("a{2,1}"));
    const Regex hostile = compiled("^(a+)+$", global);
    const Text subject(std::string(40, 'a') + "b");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(regex_match(hostile, subject));
    EXPECT_FALSE(regex_replace(hostile, subject, "x"));
    EXPECT_FALSE(regex_split(hostile, subject));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "no hang";
}

} // namespace
