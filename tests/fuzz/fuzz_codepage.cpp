// The code-page conversion on arbitrary bytes and arbitrary Unicode.
#include "app/box_text.h"
#include "runtime/codepage.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

using namespace fenrow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        // Any bytes: the exact forms and the box form give them back.
        const Text t(in.ConsumeRemainingBytesAsString());
        CHECK(text_from_utf16_exact(text_to_utf16_exact(t)) == t);
        CHECK(text_from_box(text_to_box(t)) == t);
        const std::u32string u = cp936_to_unicode(t.view());
        CHECK(u.size() <= t.view().size());
        (void)text_to_utf8(t);
        (void)text_from_utf8(t.view());
        return 0;
    }
    // Any scalar values: no character is lost on the way in.
    std::u32string u;
    while (in.remaining_bytes() >= 3) {
        char32_t c = in.ConsumeIntegralInRange<char32_t>(1, 0x10FFFF);
        if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        u.push_back(c);
    }
    const Text t = unicode_to_cp936(u);
    CHECK(cp936_to_unicode(t.view()) == u);
    CHECK(text_from_utf8(text_to_utf8(t)) == t);
    CHECK(text_from_utf16(text_to_utf16(t)) == t);
    return 0;
}
