// Every place of one byte in a text, found sixty-four bytes at a time. A walk
// that stops at every line of a list this way costs a few instructions a
// line; a memchr started anew behind each line waits for the one before it
// to finish, and the Windows programs' own memchr took twice as long as the
// walk for that.
#pragma once

#include "runtime/sse2.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace fenrow {

namespace byte_scan {

// Bit i set where p[i] == b, for the 64 bytes from p on.
FENROW_SSE2 inline std::uint64_t hits(const char* p, char b)
{
    const __m128i want = _mm_set1_epi8(b);
    std::uint64_t m = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        m |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, want)))) << (16 * k);
    }
    return m;
}

} // namespace byte_scan

// Calls f(p) for each place p of b in s, in order, for as long as f returns
// true; returns the place where f said stop, or npos.
template <typename F>
FENROW_SSE2 std::size_t for_each_byte(std::string_view s, char b, F&& f)
{
    const char* data = s.data();
    std::size_t base = 0;
    for (; s.size() - base >= 64; base += 64) {
        for (std::uint64_t m = byte_scan::hits(data + base, b); m != 0; m &= m - 1) {
            const std::size_t p = base + static_cast<std::size_t>(__builtin_ctzll(m));
            if (!f(p))
                return p;
        }
    }
    for (; base < s.size(); ++base) {
        if (data[base] == b && !f(base))
            return base;
    }
    return std::string_view::npos;
}

// How often b occurs in s. Each match counts down a byte of its lane, at most
// 255 blocks at a time, the lanes then summed: no population count, which
// the x86-64 baseline lacks.
FENROW_SSE2 inline std::size_t count_byte(std::string_view s, char b)
{
    const __m128i want = _mm_set1_epi8(b);
    std::size_t n = 0, base = 0;
    while (s.size() - base >= 16) {
        const std::size_t end = base + std::min<std::size_t>((s.size() - base) / 16, 255) * 16;
        __m128i lanes = _mm_setzero_si128();
        for (; base < end; base += 16)
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + base)), want));
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        n += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) + static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
    }
    for (; base < s.size(); ++base)
        n += s[base] == b;
    return n;
}

// Whether every byte of s is ASCII, eight at a time.
inline bool all_ascii(std::string_view s)
{
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, s.data() + i, sizeof x);
        if ((x & 0x8080808080808080ull) != 0)
            return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80)
            return false;
    return true;
}

} // namespace fenrow
