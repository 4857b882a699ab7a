#include "runtime/charset.h"

#include "runtime/codepage.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <random>

using namespace fenrow;

namespace {

ByteArray B(std::string_view s) { return ByteArray(std::string(s)); }

TEST(Charset, Names)
{
    EXPECT_EQ(charset_named(u"utf-8"), Charset::utf8);
    EXPECT_EQ(charset_named(u"Gbk"), Charset::gbk);
    EXPECT_EQ(charset_named(u"UNICODE"), Charset::unicode);
    for (const std::u16string_view other : {u"", u"utf8", u"utf-8 ", u"latin-9", u"gb\u00DFk"})
        EXPECT_FALSE(charset_named(other));
}

TEST(Charset, ValidAndInvalidBytes)
{
    using C = Charset;
    const struct {
        std::string_view in;
        Charset from, to;
        std::string_view out;
    } cases[] = {
        {"\xd6\xd0" "a", C::gbk, C::unicode, {"\x2d\x4e" "a\0", 4}},             // 中
        {"\xff\xfe\x2d\x4e", C::unicode, C::gbk, "\xd6\xd0"},                    // the byte-order mark goes
        {"\x2d\x4e" "a", C::unicode, C::gbk, "\xd6\xd0"},                        // so does an odd last byte
        {{"a\0\0\0b\0", 6}, C::unicode, C::utf8, "a"},                          // a zero ends the text
        {{"a\0b", 3}, C::gbk, C::unicode, {"a\0", 2}},
        {"\xff" "a", C::gbk, C::utf8, "\xef\xbf\xbd" "a"},                       // no character: U+FFFD
        {"\xff" "a", C::gbk, C::unicode, {"\xff\xdc" "a\0", 4}},                 // or its exact form
        {"\xa2\xe3", C::gbk, C::utf8, "\xef\xbf\xbd\xef\xbf\xbd"},               // a second code of the euro sign
        {"\x41\xdc", C::unicode, C::gbk, "A"},                                   // the exact form of 0x41
        {{"\x3d\xd8" "a\0", 4}, C::unicode, C::gbk, "\x84\x31\xa4\x37" "a"},     // a lone high surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(charset_convert(B(c.in), c.from, c.to), B(c.out)) << testing::PrintToString(B(c.in));
}

TEST(Charset, EveryCharacterRoundTrips)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<char32_t> any(1, 0x10FFFF), bmp(0x80, 0xFFFF);
    for (int round = 0; round < 2000; ++round) {
        std::u32string u;
        for (int n = round % 12; n > 0; --n) {
            const char32_t c = n % 2 ? any(rng) : bmp(rng);
            u.push_back((c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF ? U'\uFFFD' : c); // no byte-order mark
        }
        const ByteArray gbk(unicode_to_cp936(u).str());
        for (const Charset via : {Charset::utf8, Charset::unicode}) {
            const ByteArray there = charset_convert(gbk, Charset::gbk, via);
            ASSERT_EQ(charset_convert(there, via, Charset::gbk), gbk) << testing::PrintToString(gbk);
            ASSERT_EQ(charset_convert(there, via, via), there);
        }
    }
}

} // namespace
