// memchr and memcmp for the Windows programs, sixteen bytes at a time. Wine's
// C runtime looks at one byte at a time, and every line index, line search
// and hash-set probe of a list goes through these two: at ten million lines
// that was a tenth of a click. Compiled into each program that links the
// window (an object of its own wins over the runtime's import library).
#include "runtime/sse2.h"

#include <emmintrin.h>

#include <cstddef>
#include <cstdint>

extern "C" {

FENROW_SSE2 void* memchr(const void* s, int c, std::size_t n)
{
    const auto* p = static_cast<const unsigned char*>(s);
    const auto byte = static_cast<unsigned char>(c);
    const __m128i want = _mm_set1_epi8(static_cast<char>(byte));
    for (; n >= 16; p += 16, n -= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(block, want)))
            return const_cast<unsigned char*>(p + __builtin_ctz(static_cast<unsigned>(hits)));
    }
    for (; n > 0; ++p, --n) {
        if (*p == byte)
            return const_cast<unsigned char*>(p);
    }
    return nullptr;
}

FENROW_SSE2 int memcmp(const void* a, const void* b, std::size_t n)
{
    const auto* p = static_cast<const unsigned char*>(a);
    const auto* q = static_cast<const unsigned char*>(b);
    for (; n >= 16; p += 16, q += 16, n -= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const unsigned same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
        if (same != 0xFFFF) {
            const int at = __builtin_ctz(~same);
            return p[at] - q[at];
        }
    }
    for (; n > 0; ++p, ++q, --n) {
        if (*p != *q)
            return *p - *q;
    }
    return 0;
}

} // extern "C"
