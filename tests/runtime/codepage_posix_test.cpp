// The tables against the build machine's iconv, from which they are made.
#include "runtime/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <bit>
#include <string>

using namespace fenrow;

namespace {

std::string hex(std::string_view bytes)
{
    std::string r;
    for (unsigned char b : bytes)
        r += "0123456789ABCDEF"[b >> 4], r += "0123456789ABCDEF"[b & 15], r += ' ';
    return r;
}

// Supplementary characters follow the linear four-byte numbering; glibc agrees
// except for the six it writes with two-byte codes.
TEST(CodepageSystem, SupplementaryFormsAgreeWithIconv)
{
    const char* utf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
    iconv_t enc = iconv_open("GB18030", utf32), dec = iconv_open(utf32, "GB18030");
    ASSERT_NE(enc, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(dec, reinterpret_cast<iconv_t>(-1));
    int two_byte = 0;
    for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) {
        const std::string ours = unicode_to_cp936(std::u32string(1, c)).str();
        char theirs[8];
        char* in = reinterpret_cast<char*>(&c);
        char* out = theirs;
        std::size_t in_left = 4, out_left = sizeof theirs;
        ASSERT_NE(iconv(enc, &in, &in_left, &out, &out_left), static_cast<std::size_t>(-1));
        const std::string_view expected(theirs, sizeof theirs - out_left);
        if (expected.size() == 2)
            ++two_byte;
        else
            ASSERT_EQ(hex(ours), hex(expected)) << std::hex << static_cast<std::uint32_t>(c);

        char32_t back = 0;
        in = const_cast<char*>(ours.data());
        out = reinterpret_cast<char*>(&back);
        in_left = ours.size(), out_left = 4;
        ASSERT_NE(iconv(dec, &in, &in_left, &out, &out_left), static_cast<std::size_t>(-1));
        ASSERT_EQ(back, c);
    }
    EXPECT_EQ(two_byte, 6);
    iconv_close(enc);
    iconv_close(dec);
}

} // namespace
