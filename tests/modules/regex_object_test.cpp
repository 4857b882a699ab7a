#include "modules/regex_object.h"

#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fenrow;

namespace {

TEST(RegexObject, MatchPositionsCountBytes)
{
    RegexObject re;
    // Two-byte characters, a four-byte one (two UTF-16 units) and a byte that forms no character.
    const struct {
        Text text;
        int position;
    } cases[] = {{"ab", 1}, {"中文ab"_t, 5}, {"😀a"_t + Text("\xff") + "b", 6}};
    for (const auto& c : cases) {
        ASSERT_TRUE(re.search("b", c.text));
        int position = 99;
        EXPECT_EQ(re.match_text(1, &position), Text("b"));
        EXPECT_EQ(position, c.position) << c.text.str();
    }
    int position = 99;
    EXPECT_EQ(re.match_text(2, &position), Text());
    EXPECT_EQ(position, -1);
}

TEST(RegexObject, QuoteTokenStandsForADoubleQuoteOnlyWhenAsked)
{
    RegexObject re;
    const Text pattern = "a#引号b"_t;
    ASSERT_TRUE(re.search(pattern, "xa\"b", std::nullopt, std::nullopt, std::nullopt, true));
    EXPECT_EQ(re.match_text(1), Text("a\"b"));
    EXPECT_EQ(re.get_pattern(), Text("a\"b"));
    ASSERT_TRUE(re.search(pattern, "xa\"b"));
    EXPECT_EQ(re.match_count(), 0);
    ASSERT_TRUE(re.search(pattern, "x"_t + pattern));
    EXPECT_EQ(re.match_text(1), pattern);
}

TEST(RegexObject, OptionsAndTheirDefaults)
{
    const struct {
        const char *pattern, *text;
        std::optional<bool> case_sensitive, multiline, global;
        int count;
    } cases[] = {
        {"A", "a", std::nullopt, std::nullopt, std::nullopt, 1}, // IgnoreCase written true
        {"A", "a", false, std::nullopt, std::nullopt, 1},
        {"A", "a", true, std::nullopt, std::nullopt, 0},
        {"^b", "a\r\nb", std::nullopt, std::nullopt, std::nullopt, 1},
        {"^b", "a\r\nb", std::nullopt, false, std::nullopt, 0},
        {"a", "aaa", std::nullopt, std::nullopt, std::nullopt, 3},
        {"a", "aaa", std::nullopt, std::nullopt, false, 1},
    };
    for (const auto& c : cases) {
        RegexObject re;
        ASSERT_TRUE(re.search(c.pattern, c.text, c.case_sensitive, c.multiline, c.global));
        EXPECT_EQ(re.match_count(), c.count) << c.pattern << " in " << c.text;
    }
}

TEST(RegexObject, ASecondSearchForgetsTheFirst)
{
    RegexObject re;
    ASSERT_TRUE(re.search("(a)", "aaa", std::nullopt, std::nullopt, false));
    ASSERT_TRUE(re.search("b", "abab"));
    EXPECT_EQ(re.match_count(), 2);
    EXPECT_EQ(re.submatch_count(), 0);
    EXPECT_EQ(re.replace("x"), Text("axax"));
    EXPECT_FALSE(re.search("(", "abab"));
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.replace("x"), Text());
}

TEST(RegexObject, EverythingIsEmptyBeforeASearch)
{
    RegexObject re;
    int position = 99, group_position = 99;
    EXPECT_EQ(re.replace("x"), Text());
    EXPECT_EQ(re.get_pattern(), Text());
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.submatch_count(), 0);
    EXPECT_EQ(re.match_text(1, &position), Text());
    EXPECT_EQ(re.submatch_text(1, 1, &group_position), Text());
    EXPECT_EQ(position, -1);
    EXPECT_EQ(group_position, -1);
}

TEST(RegexObject, SubMatches)
{
    RegexObject re;
    ASSERT_TRUE(re.search("(x)|(b)(c)", "中bbc"_t));
    EXPECT_EQ(re.submatch_count(), 3);
    int position = 99;
    EXPECT_EQ(re.submatch_text(1, 1, &position), Text()); // took part in no match
    EXPECT_EQ(position, -1);
    EXPECT_EQ(re.submatch_text(1, 2, &position), Text("b"));
    EXPECT_EQ(position, 3); // the b of the match, not the one before it
    EXPECT_EQ(re.submatch_text(1, 3, &position), Text("c"));
    EXPECT_EQ(position, 4);
    EXPECT_EQ(re.submatch_text(1, 4, &position), Text());

    // The position search follows the engine's case setting.
    ASSERT_TRUE(re.search("(B)", "xb"));
    EXPECT_EQ(re.submatch_text(1, 1, &position), Text("b"));
    EXPECT_EQ(position, 1);
}

TEST(RegexObject, PreparesItsThreadForItsLifetime)
{
    bool before = true, during = false, after = true, found = false;
    std::thread([&] {
        before = automation_thread_ready();
        {
            RegexObject re;
            during = automation_thread_ready();
            found = re.search("a", "a");
        }
        after = automation_thread_ready();
    }).join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(during);
    EXPECT_TRUE(found);
    EXPECT_FALSE(after);
}

} // namespace
