// The code-page-936 tables, Big5's and the case folding, compiled in from data the
// build generates (runtime/tools/codepage_tables_gen.cpp), the same on every
// platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fenrow::cp936 {

inline constexpr char32_t replacement_char = 0xFFFD;
inline constexpr char32_t euro_sign = 0x20AC;

// Four-byte codes are numbered linearly over the byte ranges 0x81-0xFE,
// 0x30-0x39, 0x81-0xFE, 0x30-0x39; the first 39420 cover the BMP and
// U+10000 is number 189000 (bytes 90 30 81 30).
inline constexpr std::uint32_t bmp_four_byte_count = 39420;
inline constexpr std::uint32_t supplementary_first_index = 189000;

constexpr std::uint32_t four_byte_index(unsigned b1, unsigned b2, unsigned b3, unsigned b4)
{
    return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
}

// An encoded character packed into one number: below 0x100 one byte, below
// 0x10000 two bytes, else four bytes, most significant first.
constexpr std::uint32_t pack_four_byte(std::uint32_t index)
{
    const std::uint32_t b4 = 0x30 + index % 10;
    index /= 10;
    const std::uint32_t b3 = 0x81 + index % 126;
    index /= 126;
    const std::uint32_t b2 = 0x30 + index % 10;
    const std::uint32_t b1 = 0x81 + index / 10;
    return b1 << 24 | b2 << 16 | b3 << 8 | b4;
}

constexpr std::size_t two_byte_slot(unsigned lead, unsigned trail)
{
    return (lead - 0x81) * 192 + (trail - 0x40);
}

// Lead 0x81-0xFE × trail 0x40-0xFF → character; 0 = no character.
extern const char32_t two_byte[126 * 192];
// Four-byte code index → BMP character; 0 = none. Past the codes of the code
// page come the characters it lacks, given unassigned codes.
extern const char16_t four_byte[];
extern const std::size_t four_byte_count;
// BMP character → its code packed into one number (one, two or four bytes,
// most significant first); 0 = none.
extern const std::uint32_t encode[0x10000];
// Characters whose folded case differs, ascending, and what they fold to.
extern const char32_t fold_from[];
extern const char32_t fold_to[];
extern const std::size_t fold_count;

} // namespace fenrow::cp936

namespace fenrow::big5 {

// Big5 as Windows reads it (code page 950): lead 0x81-0xFE × trail 0x40-0xFF
// (cp936::two_byte_slot) → character; 0 = no character.
extern const char16_t two_byte[126 * 192];

} // namespace fenrow::big5
