// memmove and memcpy for the Windows programs, sixteen bytes at a time. Wine's
// C runtime moves the last few bytes of every copy with string instructions
// one to four bytes each, and a result built line by line makes a copy of
// twenty-odd bytes per line: at ten million lines that was a seventh of 加后缀.
// Compiled into each program that links the window, as byte_search.cpp.
#include "runtime/sse2.h"

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

FENROW_SSE2 inline __m128i load16(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
FENROW_SSE2 inline void store16(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Both ends read before either is written, so the ranges may overlap.
template <typename Word>
void move_ends(unsigned char* to, const unsigned char* from, std::size_t n)
{
    Word a, b;
    __builtin_memcpy(&a, from, sizeof a);
    __builtin_memcpy(&b, from + n - sizeof b, sizeof b);
    __builtin_memcpy(to, &a, sizeof a);
    __builtin_memcpy(to + n - sizeof b, &b, sizeof b);
}

FENROW_SSE2 void move_bytes(unsigned char* to, const unsigned char* from, std::size_t n)
{
    if (n <= 32) {
        if (n >= 16) {
            const __m128i a = load16(from), b = load16(from + n - 16);
            store16(to, a);
            store16(to + n - 16, b);
        } else if (n >= 8) {
            move_ends<std::uint64_t>(to, from, n);
        } else if (n >= 4) {
            move_ends<std::uint32_t>(to, from, n);
        } else if (n >= 2) {
            move_ends<std::uint16_t>(to, from, n);
        } else if (n == 1) {
            *to = *from;
        }
        return;
    }
    // Forward unless the target starts inside the source: each block is read
    // before the blocks written so far reach it, and the block at the far end,
    // written last, was read first.
    if (to <= from || to >= from + n) {
        const __m128i last = load16(from + n - 16);
        for (std::size_t i = 0; i < n - 16; i += 16)
            store16(to + i, load16(from + i));
        store16(to + n - 16, last);
    } else {
        const __m128i first = load16(from);
        for (std::size_t i = n; i > 16; i -= 16)
            store16(to + i - 16, load16(from + i - 16));
        store16(to, first);
    }
}

} // namespace

extern "C" {

void* memmove(void* to, const void* from, std::size_t n)
{
    move_bytes(static_cast<unsigned char*>(to), static_cast<const unsigned char*>(from), n);
    return to;
}

void* memcpy(void* to, const void* from, std::size_t n)
{
    move_bytes(static_cast<unsigned char*>(to), static_cast<const unsigned char*>(from), n);
    return to;
}

} // extern "C"
