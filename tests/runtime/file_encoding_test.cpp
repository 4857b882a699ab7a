// What encoding a list file is taken to be in, and what its bytes become.
#include "runtime/file_encoding.h"

#include "runtime/codepage.h"
#include "runtime/codepage_tables.h"
#include "tests/support/account_lists.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace fenrow {
namespace {

using test::big5_of;
using test::gbk_of;
using test::utf16_of;

std::string system_text(std::string_view bytes, FileEncoding e)
{
    std::string out;
    EXPECT_TRUE(append_system_text(out, bytes.substr(bom_size(bytes, e)), e));
    return out;
}

const char* const traditional_list = "張偉,密碼123\r\n陳大文,abc\r\n林志明,qwe!@#\r\n黃淑芬,pass\r\n";

TEST(FileEncoding, SamplesAreToldApartAndRead)
{
    const struct {
        const char* what;
        std::string bytes;
        FileEncoding expected;
        std::string utf8; // the text read, as UTF-8
    } cases[] = {
        {"empty", "", FileEncoding::gbk, ""},
        {"ASCII is GBK", "user1,pw\r\nuser2,pw\n", FileEncoding::gbk, "user1,pw\r\nuser2,pw\n"},
        {"GBK names", gbk_of("张伟,123\r\n王芳,abc\r\n"), FileEncoding::gbk, "张伟,123\r\n王芳,abc\r\n"},
        {"UTF-8 Chinese", "张伟,123\n", FileEncoding::utf8, "张伟,123\n"},
        {"UTF-8 Japanese and Greek", "ありがとう αβγ\n", FileEncoding::utf8, "ありがとう αβγ\n"},
        {"UTF-8 Greek", "αβγδ\n", FileEncoding::utf8, "αβγδ\n"},
        {"GBK name that is also UTF-8 (ΰ֣)", "a\n\xCE\xB0\xD6\xA3,1\n", FileEncoding::gbk, ""},
        {"UTF-8 BOM", "\xEF\xBB\xBF" "a\n", FileEncoding::utf8_bom, "a\n"},
        {"UTF-16 LE BOM", "\xFF\xFE" + utf16_of("张a", false), FileEncoding::utf16le, "张a"},
        {"UTF-16 BE BOM", "\xFE\xFF" + utf16_of("张a", true), FileEncoding::utf16be, "张a"},
        {"UTF-16 LE, ASCII list", utf16_of("user1,pw\r\nuser2,pw\r\n", false), FileEncoding::utf16le,
         "user1,pw\r\nuser2,pw\r\n"},
        {"UTF-16 BE, ASCII list", utf16_of("user1,pw\r\n", true), FileEncoding::utf16be, "user1,pw\r\n"},
        {"UTF-16 LE, Chinese lines", utf16_of("张伟\r\n王芳\r\n", false), FileEncoding::utf16le, "张伟\r\n王芳\r\n"},
        {"UTF-16 LE, two letters", utf16_of("ab", false), FileEncoding::utf16le, "ab"},
        {"Big5, short", big5_of("繁體中文\r\n"), FileEncoding::big5, "繁體中文\r\n"},
        {"Big5 list", big5_of(traditional_list), FileEncoding::big5, traditional_list},
        {"Big5, two names among ASCII", big5_of(std::string(2000, 'a') + "\r\n張偉\r\n陳大文\r\n"), FileEncoding::big5,
         std::string(2000, 'a') + "\r\n張偉\r\n陳大文\r\n"},
        // Too little to tell: read as GBK, as before.
        {"Big5, one name", big5_of("a\r\n張偉\r\n"), FileEncoding::gbk, ""},
        {"GBK Japanese", gbk_of("ありがとう\r\n"), FileEncoding::gbk, "ありがとう\r\n"},
        {"zero bytes, not UTF-16", std::string("ab\0cd\r\n", 7), FileEncoding::gbk, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FileEncoding e = detect_encoding(c.bytes);
        EXPECT_EQ(e, c.expected);
        if (!c.utf8.empty()) {
            EXPECT_EQ(Text(system_text(c.bytes, e)), text_from_utf8(c.utf8));
        }
    }
}

// Bytes an encoding cannot decode stay as they were, so that reading the file
// again in the right encoding loses nothing; zero bytes make no text outside UTF-16.
TEST(FileEncoding, BytesNoEncodingDecodesAreKept)
{
    const std::string gbk = gbk_of("张伟,密码\r\n");
    for (FileEncoding e : {FileEncoding::gbk, FileEncoding::utf8, FileEncoding::big5}) {
        SCOPED_TRACE(static_cast<int>(e));
        EXPECT_EQ(system_text(gbk, e) == gbk, e == FileEncoding::gbk);
        std::string out;
        EXPECT_FALSE(append_system_text(out, std::string("a\0b", 3), e));
    }
    // Invalid UTF-8 and a Big5 lead without its trail: the bytes themselves.
    EXPECT_EQ(system_text("a\xC3(\xFF", FileEncoding::utf8), "a\xC3(\xFF");
    EXPECT_EQ(system_text("\xA4", FileEncoding::big5), "\xA4");
    // A lone surrogate and an odd last byte of UTF-16: their bytes.
    EXPECT_EQ(system_text(std::string("a\0\x41\xDC" "b\0\x7E", 7), FileEncoding::utf16le), "a\x41\xDC" "b\x7E");
}

// Account lists in GBK as users keep them: mostly ASCII, a few Chinese
// names, passwords with symbols, full-width punctuation, characters beyond
// GB2312 and a few traditional ones. None may open as anything but GBK.
TEST(FileEncoding, NoGbkAccountListOpensAsAnythingElse)
{
    std::mt19937 rng(31);
    for (int list = 0; list < 300; ++list) {
        const int lines = list % 3 == 0 ? 1 + static_cast<int>(rng() % 3) : 5 + static_cast<int>(rng() % 2000);
        const std::string gbk = gbk_of(test::account_list(rng, lines));
        ASSERT_EQ(detect_encoding(gbk), FileEncoding::gbk) << list << ": " << gbk;
    }
}

} // namespace
} // namespace fenrow
