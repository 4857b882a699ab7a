#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>
#include <vector>

using namespace fenrow;

namespace {

std::string hex(std::string_view bytes)
{
    std::string r;
    for (unsigned char b : bytes)
        r += "0123456789ABCDEF"[b >> 4], r += "0123456789ABCDEF"[b & 15], r += ' ';
    return r;
}

bool is_scalar(char32_t c) { return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

const std::string fffd = "\x84\x31\xA4\x37";

TEST(Codepage, KnownValuesBothWays)
{
    const struct { std::u32string chars; std::string bytes; } cases[] = {
        {U"Az09 ~\r\n", "Az09 ~\r\n"},
        {U"中文", "\xD6\xD0\xCE\xC4"},
        {U"€", "\x80"},
        {U"Ａ", "\xA3\xC1"},
        {U"\u3000", "\xA1\xA1"},
        {U"\u00B7\u2014", "\xA1\xA4\xA1\xAA"},
        {U"\u01F9", "\xA8\xBF"},            // two-byte form the code page itself lacks
        {U"\u1E3F\uFE10\uE5E5", "\xA8\xBC\xA6\xD9\xA3\xA0"},
        {U"\u0080", "\x81\x30\x81\x30"},
        {U"\u3400", "\x81\x39\xEE\x39"},    // rare Han outside the code page
        {U"\uE7C7", "\x81\x35\xF4\x37"},
        {U"\uE78D", "\x84\x31\x82\x36"},    // private use displaced from A6D9
        {U"\uFFFD", fffd},
        {U"😀", "\x94\x39\xFC\x36"},
        {U"\U00020000", "\x95\x32\x82\x36"},
        {U"\U0010FFFF", "\xE3\x32\x9A\x35"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex(unicode_to_cp936(c.chars).str()), hex(c.bytes));
        EXPECT_EQ(cp936_to_unicode(c.bytes), c.chars) << hex(c.bytes);
    }
}

TEST(Codepage, DecodeOnlyFormsAndInvalidBytes)
{
    const struct { std::string bytes; std::u32string chars; } cases[] = {
        {"\xA2\xE3", U"€"},                       // GB18030's euro; we write 0x80
        {"\xFE\x51", U"\U00020087"},              // glibc's reading of the two-byte code
        {"\x95\x32\x90\x31", U"\U00020087"},
        {"\xAA\xA1", U"\uE000"},
        {"\xFF" "A", U"\uFFFDA"},
        {"ab\xD6", U"ab\uFFFD"},                  // lone lead byte at the end
        {"\x81\x7F" "b", U"\uFFFD\x7F" "b"},
        {"\x81\x20", U"\uFFFD "},
        {"\x81\xFF", U"\uFFFD\uFFFD"},
        {"\x81\x30\x81", U"\uFFFD" "0\uFFFD"},     // truncated four-byte code
        {"\x81\x30\x41\x30", U"\uFFFD" "0A0"},
        {"\x81\x30\x81\x3A", U"\uFFFD" "0\uFFFD:"},
        {"\xFF\xA1", U"\uFFFD\uFFFD"},
        {"\x8F\x39\xFE\x39", U"\uFFFD" "9\uFFFD" "9"}, // unassigned four-byte code
        {"\xE3\x32\x9A\x36", U"\uFFFD" "2\uFFFD" "6"}, // beyond U+10FFFF
    };
    for (const auto& c : cases)
        EXPECT_EQ(cp936_to_unicode(c.bytes), c.chars) << hex(c.bytes);
}

TEST(Codepage, UnencodableValuesAndZero)
{
    EXPECT_EQ(unicode_to_cp936(std::u32string{0xD800, 'a', 0xDFFF, 0x110000}).str(), fffd + "a" + fffd + fffd);
    EXPECT_EQ(unicode_to_cp936(std::u32string{'a', 0, 'b'}).str(), "a");
    EXPECT_EQ(text_from_utf16(std::u16string{u'a', 0, u'b'}).str(), "a");
    EXPECT_EQ(text_from_utf8(std::string_view("a\0b", 3)).str(), "a");
}

// Every character comes back, and its bytes keep the stepping rule: one ASCII
// byte, or units of a byte >= 0x81 and its partner, four-byte forms as two
// units whose second bytes are digits.
TEST(Codepage, EveryScalarValueRoundTripsAndStepsWhole)
{
    std::u32string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c)
        if (is_scalar(c))
            all += c;
    const Text encoded = unicode_to_cp936(all);
    EXPECT_TRUE(cp936_to_unicode(encoded.view()) == all);

    for (const char32_t c : all) {
        const std::string b = unicode_to_cp936(std::u32string(1, c)).str();
        const auto at = [&b](std::size_t i) { return static_cast<unsigned char>(b[i]); };
        bool ok;
        if (c < 0x80)
            ok = b.size() == 1 && at(0) == c;
        else if (c == 0x20AC)
            ok = b == "\x80";
        else if (b.size() == 2)
            ok = at(0) >= 0x81 && at(0) <= 0xFE && at(1) >= 0x40 && at(1) != 0x7F && at(1) != 0xFF;
        else
            ok = b.size() == 4 && at(0) >= 0x81 && at(0) <= 0xFE && at(1) >= 0x30 && at(1) <= 0x39 &&
                 at(2) >= 0x81 && at(2) <= 0xFE && at(3) >= 0x30 && at(3) <= 0x39;
        if (!ok)
            ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(c) << " -> " << hex(b);
    }
}

// A code that reads as a character is written back the same, except where two
// codes read as one character.
TEST(Codepage, EveryDecodableCodeReencodesToItself)
{
    std::vector<std::string> changed;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x30; trail <= 0xFE; ++trail) {
            std::vector<std::string> codes;
            if (trail >= 0x40)
                codes.push_back({char(lead), char(trail)});
            else if (trail <= 0x39)
                for (unsigned b3 = 0x81; b3 <= 0xFE; ++b3)
                    for (unsigned b4 = 0x30; b4 <= 0x39; ++b4)
                        codes.push_back({char(lead), char(trail), char(b3), char(b4)});
            for (const std::string& code : codes) {
                const std::u32string c = cp936_to_unicode(code);
                if (c.size() == 1 && unicode_to_cp936(c).str() != code)
                    changed.push_back(hex(code));
            }
        }
    }
    EXPECT_EQ(changed, (std::vector<std::string>{"A2 E3 ", "FE 51 ", "FE 52 ", "FE 53 ", "FE 6C ", "FE 76 ",
                                                 "FE 91 "}));
}

TEST(Codepage, RandomMixedTextsRoundTrip)
{
    std::mt19937 rng(936);
    const auto pick = [&rng](char32_t lo, char32_t hi) { return std::uniform_int_distribution<char32_t>(lo, hi)(rng); };
    for (int n = 0; n < 2000; ++n) {
        std::u32string s;
        for (int len = pick(0, 40); len > 0; --len) {
            const char32_t kind = pick(0, 4), c = kind == 0 ? pick(1, 0x7F)
                                                  : kind == 1 ? pick(0x4E00, 0x9FFF)
                                                  : kind == 2 ? pick(0x80, 0xFFFF)
                                                  : kind == 3 ? pick(0x10000, 0x10FFFF)
                                                              : U"€\u3000Ａ"[pick(0, 2)];
            s += is_scalar(c) ? c : U'?';
        }
        const Text t = unicode_to_cp936(s);
        ASSERT_EQ(cp936_to_unicode(t.view()), s);
        ASSERT_EQ(text_from_utf16(text_to_utf16(t)), t);
        ASSERT_EQ(text_from_utf8(text_to_utf8(t)), t);
    }
}

TEST(Codepage, Utf16AndUtf8Helpers)
{
    const Text emoji("\x94\x39\xFC\x36");
    EXPECT_EQ(text_to_utf16(emoji), u"\xD83D\xDE00");
    EXPECT_EQ(text_from_utf16(u"\xD83D\xDE00"), emoji);
    EXPECT_EQ(text_to_utf16(Text("\xFE\x51")), u"\xD840\xDC87");
    EXPECT_EQ(text_to_utf16(Text("\xD6\xD0\x80")), u"中€");
    EXPECT_EQ(text_from_utf16(u"\xD83D" "A\xDE00\xDE00\xD83D").str(), fffd + "A" + fffd + fffd + fffd);

    EXPECT_EQ(text_to_utf8(Text("\xD6\xD0\x80\x94\x39\xFC\x36" "a")), "中€😀a");
    const struct { std::string utf8; std::u32string chars; } cases[] = {
        {"中€😀a", U"中€😀a"},
        {"\xC0\xAF", U"\uFFFD\uFFFD"},            // overlong
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {"\xE4\xB8" "A", U"\uFFFD\uFFFDA"},       // truncated
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\x80\xFF", U"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_from_utf8(c.utf8), unicode_to_cp936(c.chars)) << hex(c.utf8);
}

TEST(Codepage, LiteralSuffix)
{
    EXPECT_EQ("提示 €😀"_t, unicode_to_cp936(U"提示 €😀"));
    EXPECT_EQ("中"_t.str(), "\xD6\xD0");
    EXPECT_TRUE(""_t.empty());
}

} // namespace

TEST(ExactForms, EveryByteStringComesBack)
{
    std::mt19937 rng(11);
    const std::string pieces[] = {"\xd6\xd0", "\xa2\xe3", "\x80", "\xff", "\x81", "\x81\x30", "\x95\x32\x90\x31",
                                  "\xfe\x51", "\r", "\n", "\r\n", "a", "\x84\x31\xa4\x39", "\xa3\xa0"};
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        const int n = static_cast<int>(rng() % 10);
        for (int i = 0; i < n; ++i) {
            if (rng() % 3 == 0)
                s += static_cast<char>(1 + rng() % 255);
            else
                s += pieces[rng() % std::size(pieces)];
        }
        const Text t(s);
        ASSERT_EQ(text_from_utf16_exact(text_to_utf16_exact(t)), t) << ::testing::PrintToString(s);
    }
    // Valid characters still travel as themselves.
    EXPECT_EQ(text_to_utf16_exact(Text("\xd6\xd0\x80")), u"中€");
    EXPECT_EQ(text_to_utf16_exact(Text("\xa2\xe3")), std::u16string({char16_t(0xDCA2), char16_t(0xDCE3)}));
}
