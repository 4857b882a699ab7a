#include "app/list_file.h"

#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>

namespace fenrow {
namespace {

// "你好" and a character code page 936 lacks, in every form a file may hold.
const std::string gbk_nihao = "\xc4\xe3\xba\xc3", utf8_nihao = "\xe4\xbd\xa0\xe5\xa5\xbd";
const std::string utf8_rare = "\xf0\xa0\x80\x80"; // U+20000

TEST(DecodeList, EncodingsLineEndsAndAmbiguities)
{
    const Text nihao = "你好"_t, rare = text_from_utf8(utf8_rare);
    const struct {
        const char* what;
        std::string bytes;
        FileEncoding encoding;
        Text expected;
    } cases[] = {
        {"empty", "", FileEncoding::gbk, ""},
        {"ASCII, LF lines", "a\nb\n", FileEncoding::gbk, "a\r\nb\r\n"},
        {"CR lines", "a\rb", FileEncoding::gbk, "a\r\nb"},
        {"mixed line ends", "a\r\nb\nc\rd\n\re", FileEncoding::gbk, "a\r\nb\r\nc\r\nd\r\n\r\ne"},
        {"UTF-8", utf8_nihao + "\n" + utf8_rare, FileEncoding::utf8, nihao + "\r\n" + rare},
        {"UTF-8 BOM", "\xef\xbb\xbf" + utf8_nihao, FileEncoding::utf8_bom, nihao},
        {"UTF-8 BOM alone", "\xef\xbb\xbf", FileEncoding::utf8_bom, ""},
        {"UTF-16 LE", std::string("\xff\xfe\x60\x4f\x7d\x59\x0a\x00\x40\xd8\x00\xdc", 12), FileEncoding::utf16le,
         nihao + "\r\n" + rare},
        {"UTF-16 BE", std::string("\xfe\xff\x4f\x60\x59\x7d\x00\x0d\x00\x0a", 10), FileEncoding::utf16be, nihao + "\r\n"},
        {"UTF-16 zero characters left out", std::string("\xff\xfe" "a\0\0\0b\0", 8), FileEncoding::utf16le, "ab"},
        {"GBK", gbk_nihao + "\r\n", FileEncoding::gbk, nihao + "\r\n"},
        {"GBK that no UTF-8 reads (联通)", "\xc1\xaa\xcd\xa8", FileEncoding::gbk, "联通"_t},
        {"GB18030 four-byte form kept", "\x95\x32\x82\x36\n", FileEncoding::gbk, rare + "\r\n"},
        {"UTF-8 cut short is GBK", utf8_nihao.substr(0, 5), FileEncoding::gbk, Text(utf8_nihao.substr(0, 5))},
        {"overlong UTF-8 is GBK", "\xc0\xaf", FileEncoding::gbk, Text("\xc0\xaf")},
        {"UTF-8 surrogate is GBK", "\xed\xa0\x80", FileEncoding::gbk, Text("\xed\xa0\x80")},
        // Bytes valid as both: UTF-8 wins, as in every editor.
        {"GBK that is also UTF-8", utf8_nihao, FileEncoding::utf8, nihao},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FileEncoding e{};
        const std::optional<Text> t = decode_list(c.bytes, &e);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(*t, c.expected);
        EXPECT_EQ(e, c.encoding);
    }
}

TEST(DecodeList, ZeroBytesOutsideUtf16AreNoText)
{
    for (const std::string& bytes : {std::string("a\0b", 3), std::string("\xef\xbb\xbf\0", 4), gbk_nihao + '\0'}) {
        EXPECT_FALSE(decode_list(bytes).has_value());
    }
}

class ListFiles : public testing::Test {
protected:
    Text path(const char* name) const { return text_from_utf8((dir.path() / name).string()); }
    void put(const char* name, const std::string& bytes) const
    {
        std::ofstream(dir.path() / name, std::ios::binary) << bytes;
    }
    test::TempDir dir{"list_file"};
};

TEST_F(ListFiles, BadFilesAreRefusedWithAReason)
{
    put("zero.txt", std::string("a\0b", 3));
    std::filesystem::create_directory(dir.path() / "folder");
    put("huge.txt", "");
    std::filesystem::resize_file(dir.path() / "huge.txt", list_file_limit + 1); // sparse: costs no disk
    for (const char* name : {"zero.txt", "folder", "huge.txt", "missing.txt"}) {
        SCOPED_TRACE(name);
        Text why;
        EXPECT_FALSE(read_list_file(path(name), &why).has_value());
        EXPECT_FALSE(why.empty());
    }
}

TEST_F(ListFiles, SavedTextsComeBackInBothEncodings)
{
    const Text t = "账号1\r\n"_t + text_from_utf8(utf8_rare) + "\r\n\r\nlast"_t;
    for (SaveEncoding e : {SaveEncoding::gbk, SaveEncoding::utf8}) {
        Text why;
        ASSERT_TRUE(write_list_file(path("out.txt"), t, e, &why));
        std::ifstream in(dir.path() / "out.txt", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(bytes, encode_list(t, e));
        EXPECT_EQ(read_list_file(path("out.txt"), &why), t);
    }
    EXPECT_EQ(encode_list("你好\r\n"_t, SaveEncoding::gbk), gbk_nihao + "\r\n");
    EXPECT_EQ(encode_list("你好\r\n"_t, SaveEncoding::utf8), utf8_nihao + "\r\n");
}

// Lists of a few megabytes: read, converted and written a block at a time,
// they come out as the whole converted at once would.
TEST_F(ListFiles, LongListsConvertAsTheWholeWould)
{
    std::mt19937 rng(29);
    const std::u16string pieces[] = {u"acc", u"你好", u"\U00020000", u"\n", u"\r\n", u"\r", u"x9,pw", u"\u0A41\u4E00\u0A41"}; // the last: LF and zero bytes out of step
    std::u16string u;
    while (u.size() < 1'500'000)
        u += pieces[rng() % std::size(pieces)];
    const Text gbk = text_from_utf16(u);
    const Text expected(crlf_lines(gbk.view()));
    const auto utf16 = [&u](bool big_endian) {
        std::string b = big_endian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : u) {
            const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
            b += big_endian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return b;
    };
    std::string ascii(gbk.view()); // as the CR LF of a Windows list, or the LF of a Linux one
    std::erase_if(ascii, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const struct {
        const char* what;
        std::string bytes;
        Text expected;
    } cases[] = {
        {"GBK", std::string(gbk.view()), expected},
        {"UTF-8", text_to_utf8(gbk), expected},
        {"UTF-8 BOM", "\xEF\xBB\xBF" + text_to_utf8(gbk), expected},
        {"UTF-16 LE", utf16(false), expected},
        {"UTF-16 BE", utf16(true), expected},
        {"ASCII, LF", crlf_lines(ascii), Text(crlf_lines(ascii))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(decode_list(c.bytes) == c.expected); // whole: no room to convert in
        put("long.txt", c.bytes);
        Text why;
        EXPECT_TRUE(read_list_file(path("long.txt"), &why) == c.expected); // read with room
    }
    // Lines of a Linux list, made CR LF where they were read.
    std::string lf, crlf;
    for (int i = 0; i < 100'000; ++i) {
        const std::string line = "account" + std::to_string(i * 7919) + ",pw" + std::to_string(i % 97);
        lf += line + "\n";
        crlf += line + "\r\n";
    }
    put("lf.txt", lf);
    Text why;
    EXPECT_TRUE(read_list_file(path("lf.txt"), &why) == Text(crlf));
    ASSERT_TRUE(write_list_file(path("out.txt"), expected, SaveEncoding::utf8, &why));
    EXPECT_TRUE(read_list_file(path("out.txt"), &why) == expected);
}

TEST_F(ListFiles, FailedSaveLeavesTheOldFileAndSaysWhy)
{
    put("old.txt", "old");
    std::filesystem::create_directory(dir.path() / "old.txt.d");
    Text why;
    EXPECT_FALSE(write_list_file(path("old.txt.d"), "new"_t, SaveEncoding::gbk, &why)); // a folder of that name
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(write_list_file(path("no/such/dir.txt"), "new"_t, SaveEncoding::gbk, &why));
    EXPECT_EQ(read_list_file(path("old.txt"), &why), Text("old"));
}

} // namespace
} // namespace fenrow
