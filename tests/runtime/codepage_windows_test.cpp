// The compiled-in tables against the system's own code page 936. They agree
// on every code but these, where the system keeps private-use characters for
// codes that later gained standard characters (the GB18030 forms we decode
// them to), and keeps its own single bytes 0xFF and the euro's second code.
#include "runtime/codepage.h"
#include "runtime/codepage_tables.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace fenrow;

namespace {

bool private_use(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Two-byte codes the system decodes to private-use characters and we do not.
bool documented_code(unsigned code)
{
    const struct { unsigned first, last; } ranges[] = {
        {0xA2E3, 0xA2E3},                     // second code of the euro sign (0x80 is its code)
        {0xA6D9, 0xA6DF}, {0xA6EC, 0xA6ED}, {0xA6F3, 0xA6F3}, // vertical punctuation
        {0xA8BC, 0xA8BC}, {0xA8BF, 0xA8BF},  // Latin letters with acute and grave
        {0xA989, 0xA995},                     // ideographic description characters
        {0xFE50, 0xFEA0},                     // radicals and rare Han
    };
    for (const auto& r : ranges)
        if (code >= r.first && code <= r.last)
            return true;
    return false;
}

std::u16string system_decode(const std::string& bytes)
{
    wchar_t out[4] = {};
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out, 4);
    return n > 0 ? std::u16string(reinterpret_cast<const char16_t*>(out), static_cast<std::size_t>(n)) : u"";
}

// The system's code for c, or nothing when it has none of its own.
std::string system_encode(char16_t c)
{
    const wchar_t in = static_cast<wchar_t>(c);
    char out[8];
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out, nullptr, &defaulted);
    return n > 0 && !defaulted ? std::string(out, static_cast<std::size_t>(n)) : std::string();
}

TEST(CodepageSystem, SingleBytes)
{
    EXPECT_EQ(text_to_utf16(Text("\x80")), system_decode("\x80")); // the euro sign
    // The system writes U+F8F5 as the single byte 0xFF; to us 0xFF is no character.
    EXPECT_EQ(system_encode(u'\uF8F5'), "\xFF");
    EXPECT_EQ(text_to_utf16(Text("\xFF")), u"\uFFFD");
}

TEST(CodepageSystem, EveryTwoByteCodeDecodesAsTheSystemOrIsDocumented)
{
    std::vector<unsigned> differing;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string ours = text_to_utf16(Text(bytes)), theirs = system_decode(bytes);
            if (ours == theirs)
                continue;
            const unsigned code = lead << 8 | trail;
            differing.push_back(code);
            EXPECT_TRUE(documented_code(code)) << std::hex << code;
            EXPECT_TRUE(theirs.size() == 1 && private_use(theirs[0])) << std::hex << code;
        }
    }
    EXPECT_EQ(differing.size(), 106u);
}

TEST(CodepageSystem, EveryCharacterWithASystemCodeEncodesToItOrIsDocumented)
{
    int differing = 0;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const std::string theirs = system_encode(static_cast<char16_t>(c));
        if (theirs.empty())
            continue;
        const std::u16string s(1, static_cast<char16_t>(c));
        const std::string ours = text_from_utf16(s).str();
        if (ours == theirs)
            continue;
        ++differing;
        // Ours is a four-byte code that brings the same character back.
        EXPECT_TRUE(private_use(static_cast<char16_t>(c))) << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(ours.size(), 4u) << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(text_to_utf16(Text(ours)), s);
        EXPECT_TRUE(theirs == "\xFF" || documented_code(static_cast<unsigned char>(theirs[0]) << 8 |
                                                        static_cast<unsigned char>(theirs[1])));
    }
    EXPECT_EQ(differing, 107);
}

} // namespace

// Big5 as the system reads it (code page 950), apart from the codes it gives
// to private-use characters, which no Big5 text we tell apart holds.
TEST(CodepageSystem, Big5AgreesWithTheSystem)
{
    std::vector<unsigned> differ;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t out[4] = {};
            const int n = MultiByteToWideChar(950, MB_ERR_INVALID_CHARS, bytes, 2, out, 4);
            const char16_t system = n == 1 ? static_cast<char16_t>(out[0]) : u'\0';
            const char16_t ours = big5::two_byte[cp936::two_byte_slot(lead, trail)];
            if (system != ours && !(private_use(system) && (ours == 0 || private_use(ours))))
                differ.push_back(lead << 8 | trail);
        }
    }
    EXPECT_TRUE(differ.empty()) << differ.size() << " codes differ, the first " << std::hex << differ.front();
}
