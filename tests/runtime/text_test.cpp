#include "runtime/text.h"
#include "tests/support/text.h"

#include "tests/support/fatal_exit.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <random>

using namespace fenrow;

namespace {

const std::optional<int> none;
// 中 and 文: two ordinary two-byte characters; 丂 ends in the byte of 'A'.
const char* const zhong = "\xd6\xd0";
const char* const wen = "\xce\xc4";
const char* const kao = "\x81\x41";
const char* const full_space = "\xa1\xa1";


std::vector<std::string> pieces(const TextArray& a)
{
    std::vector<std::string> v;
    for (const Text& t : a)
        v.push_back(t.str());
    return v;
}

} // namespace

TEST(TextValue, ConversionsStopAtTheFirstZeroByte)
{
    EXPECT_EQ(Text(std::string_view("a\0b", 3)).str(), "a");
    EXPECT_EQ(Text(std::string("\0b", 2)).size(), 0);
    EXPECT_EQ(txt_from_bytes(ByteArray(std::string("a\0b", 3))).str(), "a");
    Text t = "x";
    t.append(std::string_view("y\0z", 3));
    EXPECT_EQ(t.str(), "xy");
    EXPECT_EQ(txt_to_bytes(Text()).size(), 0);
    EXPECT_EQ(txt_from_code(0).str(), "");
    EXPECT_EQ(txt_from_code('q').str(), "q");
}

TEST(TextCut, LeftRightMidCountBytes)
{
    const Text ab_zhong = T(std::string("ab") + zhong);
    EXPECT_EQ(txt_len(T(std::string(zhong) + wen)), 4);
    EXPECT_EQ(txt_left(ab_zhong, 3).str(), "ab\xd6"); // cuts the character in half
    EXPECT_EQ(txt_left(ab_zhong, 0).str(), "");
    EXPECT_EQ(txt_left(ab_zhong, -1).str(), "");
    EXPECT_EQ(txt_left(ab_zhong, 99), ab_zhong);
    EXPECT_EQ(txt_right("abc", 2).str(), "bc");
    EXPECT_EQ(txt_right("abc", 5).str(), "abc");
    EXPECT_EQ(txt_right("abc", 0).str(), "");
    EXPECT_EQ(txt_mid("abcdef", 3, 10).str(), "cdef");
    EXPECT_EQ(txt_mid("abcdef", 2, 2).str(), "bc");
    EXPECT_EQ(txt_mid("abc", 0, 2).str(), "");
    EXPECT_EQ(txt_mid("abc", 4, 1).str(), "");
    EXPECT_EQ(txt_mid("abc", 1, 0).str(), "");
    EXPECT_EQ(txt_mid("abc", INT_MIN, 2).str(), "");
    EXPECT_EQ(txt_mid("abc", 3, INT_MAX).str(), "c");
}

TEST(TextCompare, UnsignedBytesAndLength)
{
    EXPECT_EQ(txt_compare("", ""), 0);
    EXPECT_LT(txt_compare("", "a"), 0);
    EXPECT_LT(txt_compare("ab", "abc"), 0);
    EXPECT_GT(txt_compare(T(zhong), "z"), 0); // 0xD6 is above 'z'
    EXPECT_NE(txt_compare("A", "a"), 0);
}

struct FindCase {
    std::string t, s;
    std::optional<int> start;
    bool ignore_case;
    int first, last;
};

TEST(TextFind, FirstAndLastOccurrence)
{
    const std::string k = kao, z = zhong;
    const FindCase cases[] = {
        {"abcabc", "c", 4, false, 6, 3},
        {"abcabc", "c", 7, false, -1, 6},
        {"abcabc", "c", none, false, 3, 6},
        {"abcabc", "c", 0, false, 3, -1},  // start 0: whole text forward, empty region backward
        {"abcabc", "c", -5, false, 3, -1},
        {"abc", "", 3, false, 1, 1},       // empty sought text: 1 when the region is not empty
        {"", "", none, false, -1, -1},
        {"abc", "", 4, false, -1, 1},
        {"ABC", "b", none, true, 2, 2},
        {"ABC", "b", none, false, -1, -1},
        {"aaa", "aa", none, false, 1, 2},  // overlapping matches count backward
        {"abc", "abcd", none, false, -1, -1},
        {"abcabc", "abc", 3, false, 4, -1}, // backward region of 2 bytes cannot hold 'abc'
        {"abcabc", "abc", 4, false, 4, 1},
        // A one-byte text equal to the second byte of a character is not found inside it.
        {k, "A", none, false, -1, -1},
        {k, "a", none, true, -1, -1},
        {k + "A", "A", none, false, 3, 3},
        {z + "x", "\xd0", none, false, -1, -1},
        {"x" + z, z, none, false, 2, 2},
        // A start on the second byte of a character steps from there.
        {z + "\xd0", "\xd0", 2, false, 2, -1},
        // Only ASCII letters fold.
        {"\xe0", "\xc0", none, true, -1, -1},
        {"[", "{", none, true, -1, -1},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.t + " / " + c.s);
        EXPECT_EQ(txt_find(T(c.t), T(c.s), c.start, c.ignore_case), c.first);
        EXPECT_EQ(txt_find_last(T(c.t), T(c.s), c.start, c.ignore_case), c.last);
    }
}

TEST(TextFind, LeadByteAtTheEndIsStillTested)
{
    EXPECT_EQ(txt_find("ab\x81", "\x81", none, false), 3);
    EXPECT_EQ(txt_find_last("ab\x81", "\x81", none, false), 3);
}

struct ReplaceCase {
    std::string t, s;
    std::optional<Text> r;
    std::optional<int> start, count;
    bool case_sensitive;
    std::string expected;
};

TEST(TextReplace, Cases)
{
    const std::string k = kao;
    const ReplaceCase cases[] = {
        {"aXbXc", "X", Text("--"), none, 1, true, "a--bXc"},
        {"aXbXc", "X", std::nullopt, none, 1, true, "abXc"},
        {"aXbXc", "X", std::nullopt, none, none, true, "abc"},
        {"aXbXc", "X", Text("-"), 3, none, true, "aXb-c"},
        {"aXbXc", "x", Text("-"), none, none, true, "aXbXc"},
        {"aXbXc", "x", Text("-"), none, none, false, "a-b-c"},
        {"aXbXc", "X", Text("-"), none, 0, true, "aXbXc"},
        {"aXbXc", "X", Text("-"), none, -1, true, "a-b-c"},
        {"aXbXc", "X", Text("-"), 6, none, true, "aXbXc"},
        {"aXbXc", "", Text("-"), none, none, true, "aXbXc"},
        {"", "X", Text("-"), none, none, true, ""},
        {"aaaa", "aa", Text("a"), none, none, true, "aa"},    // no overlap, no re-scan
        {"ab", "b", Text("bb"), none, none, true, "abb"},
        {k + "A", "A", Text("!"), none, none, true, k + "!"}, // never inside a character
        {"x\x81", "\x81", Text("!"), none, none, true, "x!"},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(c.t + " / " + c.s);
        EXPECT_EQ(txt_replace(T(c.t), T(c.s), c.r, c.start, c.count, c.case_sensitive).str(), c.expected);
    }
}

struct SplitCase {
    std::string t;
    std::optional<Text> d;
    std::optional<int> max;
    std::vector<std::string> expected;
};

TEST(TextSplit, Cases)
{
    const std::optional<Text> crlf = Text("\r\n");
    const std::string z = zhong;
    const SplitCase cases[] = {
        {"", crlf, none, {}},
        {"a\r\n", crlf, none, {"a"}},
        {"a\r\n\r\nb", crlf, none, {"a", "", "b"}},
        {"\r\na", crlf, none, {"", "a"}},
        {"\r\n", crlf, none, {""}},
        {"a", crlf, none, {"a"}},
        {"a\r\n\r\n", crlf, none, {"a", ""}},
        {"a\nb\rc", crlf, none, {"a\nb\rc"}},
        {"a,b", std::nullopt, none, {"a", "b"}},
        {"a,b,c", std::nullopt, 2, {"a", "b"}},
        {"a,b,c", std::nullopt, 0, {}},
        {"a,b,c", std::nullopt, -3, {}},
        {"a,b,", std::nullopt, 5, {"a", "b"}},
        {"a,b", Text(""), none, {"a,b"}},
        {"aXbxc", Text("x"), none, {"aXb", "c"}},   // case counts
        {z + "," + z, std::nullopt, none, {z, z}},
        {"\x81,b", std::nullopt, none, {"\x81,b"}}, // the comma is the second byte of a character
        {"5\x80\r\nx", crlf, none, {"5\x80", "x"}}, // the euro sign is one byte
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.t);
        EXPECT_EQ(pieces(txt_split(T(c.t), c.d, c.max)), c.expected);
    }
}

TEST(TextCase, LowerFoldsAsciiCapitalsOnly)
{
    EXPECT_EQ(txt_lower(T("AbC" + std::string(kao) + "Z\xc0")).str(), "abc" + std::string(kao) + "z\xc0");
}

TEST(TextSpaces, TrimAndStrip)
{
    const std::string f = full_space, z = zhong;
    const struct {
        std::string in, trimmed, stripped;
    } cases[] = {
        {"  a b  ", "a b", "ab"},
        {f + " a" + f + "b " + f, "a" + f + "b", "ab"},
        {"\ta\r\n", "\ta\r\n", "\ta\r\n"},
        {"   ", "", ""},
        {f + f, "", ""},
        {"", "", ""},
        // 0xA1 0xA1 straddling two characters is no full-width space.
        {"\xb0\xa1\xa1\xa1", "\xb0\xa1", "\xb0\xa1"},
        {"\xb0\xa1\xa1", "\xb0\xa1\xa1", "\xb0\xa1\xa1"},
        {z + " " + z, z + " " + z, z + z},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(txt_trim(T(c.in)).str(), c.trimmed);
        EXPECT_EQ(txt_strip_spaces(T(c.in)).str(), c.stripped);
    }
}

TEST(TextNumbers, ToInt)
{
    const struct {
        std::string in;
        int32_t value;
    } cases[] = {
        {"  42abc", 42},
        {"abc", 0},
        {"", 0},
        {"\xa3\xb1\xa3\xb2", 12},              // full-width 12
        {"\xa1\xa1\xa3\xad\xa3\xb7", -7},      // full-width space, minus, 7
        {"-7", -7},
        {"+8", 8},
        {"\t\n\v\f\r 9", 9},
        {"- 5", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MIN},             // wraps modulo 2^32
        {"-2147483648", INT32_MIN},
        {"4294967297", 1},
        {"99999999999", 1215752191},
        {"3\xd6\xd0", 3},
        {"\xa1\xab", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(txt_to_int(T(c.in)), c.value);
    }
}

TEST(TextNumbers, FromIntAndDouble)
{
    EXPECT_EQ(txt_from_int(0).str(), "0");
    EXPECT_EQ(txt_from_int(-42).str(), "-42");
    EXPECT_EQ(txt_from_int(INT32_MIN).str(), "-2147483648");
    const struct {
        double x;
        const char* text;
    } cases[] = {
        {2.0, "2"}, {0.5, "0.5"}, {4.0 / 2, "2"}, {3.0 / 2, "1.5"}, {1.0 / 3, "0.3333333333333"},
        {-1.0, "-1"}, {1e13, "1e+013"}, {1e12, "1000000000000"}, {1.5e-5, "1.5e-005"},
        {0.0001, "0.0001"}, {1e100, "1e+100"}, {-2.5e-300, "-2.5e-300"}, {123456789012345.0, "1.234567890123e+014"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(txt_from_double(c.x).str(), c.text) << c.x;
}

TEST(TextBuild, SpacesConcatAndBitOr)
{
    EXPECT_EQ(txt_spaces(3).str(), "   ");
    EXPECT_EQ(txt_spaces(0).str(), "");
    EXPECT_EQ(txt_spaces(-2).str(), "");
    EXPECT_EQ(txt_concat(Text("a"), Text(""), Text("b"), "c").str(), "abc");
    EXPECT_EQ(bit_or(0x80000000, 0x10, 0x200000), static_cast<int32_t>(0x80200010));
}

TEST(Bytes, FindLeftZeros)
{
    const ByteArray hay(std::string("ab\0cab", 6));
    EXPECT_EQ(bytes_len(hay), 6);
    EXPECT_EQ(bytes_find(hay, ByteArray(std::string("\0c", 2))), 3);
    EXPECT_EQ(bytes_find(hay, ByteArray(std::string("ab"))), 1);
    EXPECT_EQ(bytes_find(hay, ByteArray(std::string("ab")), 2), 5);
    EXPECT_EQ(bytes_find(hay, ByteArray(std::string("ab")), 6), -1);
    EXPECT_EQ(bytes_find(hay, ByteArray()), -1);
    EXPECT_EQ(bytes_find(ByteArray(std::string(zhong)), ByteArray(std::string("\xd0"))), 2); // no stepping
    EXPECT_EQ(bytes_left(hay, 3), ByteArray(std::string("ab\0", 3)));
    EXPECT_EQ(bytes_left(hay, 0).size(), 0);
    EXPECT_EQ(bytes_left(hay, 99), hay);
    EXPECT_EQ(bytes_zeros(3), ByteArray(std::string(3, '\0')));
    EXPECT_EQ(bytes_zeros(-1).size(), 0);
}

TEST(TextArrayTest, AppendAndAt)
{
    TextArray a;
    array_append(a, "x");
    array_append(a, "");
    EXPECT_EQ(array_count(a), 2);
    EXPECT_EQ(array_at(a, 1).str(), "x");
    EXPECT_EQ(array_at(a, 2).str(), "");
}

TEST(TextArrayDeathTest, IndexOutOfRangeIsFatal)
{
    TextArray a;
    array_append(a, "x");
    EXPECT_EXIT(array_at(a, 0), fatal_exit(), "4");
    EXPECT_EXIT(array_at(a, 2), fatal_exit(), "1");
}

// Simple byte-at-a-time references for the stepping scans, checked on random
// texts that mix one- and two-byte characters and end in half a character.
namespace {

std::vector<size_t> boundaries(const std::string& s)
{
    std::vector<size_t> b;
    for (size_t i = 0; i < s.size(); i += char_len(s, i))
        b.push_back(i);
    return b;
}

std::string random_text(std::mt19937& rng, int chars)
{
    const char alphabet[] = {'a', 'A', 'b', ',', ' ', '\r', '\n'};
    std::string s;
    for (int i = 0; i < chars; ++i) {
        switch (rng() % 4) {
        case 0: s += zhong; break;
        case 1: s += kao; break;
        default: s += alphabet[rng() % sizeof alphabet];
        }
    }
    if (rng() % 3 == 0)
        s += '\x81';
    return s;
}

} // namespace

TEST(TextProperty, ScansMatchAReferenceOnRandomTexts)
{
    std::mt19937 rng(7);
    const std::string needles[] = {"a", "A", "\r\n", ",", kao, "Aa", "b,"};
    for (int round = 0; round < 400; ++round) {
        const std::string s = random_text(rng, static_cast<int>(rng() % 12));
        for (const std::string& x : needles) {
            int expected = -1;
            for (size_t b : boundaries(s)) {
                if (s.compare(b, x.size(), x) == 0 && b + x.size() <= s.size()) {
                    expected = static_cast<int>(b + 1);
                    break;
                }
            }
            ASSERT_EQ(txt_find(T(s), T(x), none, false), expected) << s << " / " << x;
            // From any byte on, either case: the first match met stepping character by character.
            const size_t from = s.empty() ? 0 : rng() % s.size();
            size_t caseless = std::string_view::npos;
            for (size_t b = from; b < s.size() && caseless == std::string_view::npos; b += char_len(s, b)) {
                if (b + x.size() <= s.size() && txt_lower(T(s.substr(b, x.size()))) == txt_lower(T(x)))
                    caseless = b;
            }
            ASSERT_EQ(find_from(s, x, from, true), caseless) << s << " / " << x << " from " << from;
            // Splitting and joining again gives back the text.
            std::string joined;
            const TextArray parts = txt_split(T(s), T(x));
            for (int i = 1; i <= array_count(parts); ++i)
                joined += array_at(parts, i).str() + (i < array_count(parts) ? x : "");
            const bool ends_with_x = s.size() >= x.size() && s.compare(s.size() - x.size(), x.size(), x) == 0 &&
                                     expected != -1 && txt_find_last(T(s), T(x), none, false) ==
                                                           static_cast<int>(s.size() - x.size() + 1);
            ASSERT_EQ(joined + (ends_with_x ? x : ""), s) << s << " / " << x;
        }
    }
}
