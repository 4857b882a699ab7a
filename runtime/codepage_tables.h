// The code-page-936 tables and the case folding, compiled in from data the
// build generates (runtime/tools/codepage_tables_gen.cpp), the same on every
// platform.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fenrow::cp936 {

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
