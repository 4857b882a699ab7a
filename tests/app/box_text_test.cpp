#include "app/box_text.h"

#include "ops/controls.h"
#include "runtime/codepage.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace fenrow;

TEST(BoxText, LinesAndSpecialCharacters)
{
    EXPECT_EQ(text_to_box("a\r\nb\r\n"), u"a\nb\n");
    EXPECT_EQ(text_to_box(""), u"");
    EXPECT_EQ(text_to_box("a\rb\nc"), (std::u16string{u'a', 0xDC0D, u'b', 0xDC0A, u'c'}));
    EXPECT_EQ(text_to_box("\t\xd6\xd0"), u"\t中");
    EXPECT_EQ(text_from_box(u"a\nb\x2029" u"c"), Text("a\r\nb\r\nc"));
    // Zero characters pasted from elsewhere drop out; nothing after them is lost.
    EXPECT_EQ(text_from_box(std::u16string(u"a\0b\n\0c\0", 7)), Text("ab\r\nc"));
    // A paragraph separator in the text stays a character, not a line break.
    const Text sep = unicode_to_cp936(U"x\u2029y");
    const std::u16string sep_box = text_to_box(sep);
    EXPECT_EQ(std::count(sep_box.begin(), sep_box.end(), u'\n'), 0);
    EXPECT_EQ(text_from_box(text_to_box(sep)), sep);
}

TEST(BoxText, EveryTextComesBackAndLinesMatchTheCount)
{
    std::mt19937 rng(5);
    const std::string pieces[] = {"\r\n", "\r", "\n", "a", " ", "\xd6\xd0", "\x80", "\xff", "\x81",
                                  "\xa2\xe3", "\x81\x36\xa6\x33", "\xfd\xd0", "\t"};
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        for (int i = static_cast<int>(rng() % 12); i > 0; --i)
            s += rng() % 4 == 0 ? std::string(1, static_cast<char>(1 + rng() % 255)) : pieces[rng() % std::size(pieces)];
        const Text t(s);
        const std::u16string box = text_to_box(t);
        ASSERT_EQ(text_from_box(box), t) << testing::PrintToString(s);
        ASSERT_EQ(static_cast<int>(std::count(box.begin(), box.end(), u'\n')) + 1, count_box_lines(t))
            << testing::PrintToString(s);
    }
}
