// The code-page conversion and the encoding module on arbitrary bytes and
// arbitrary Unicode.
#include "app/box_text.h"
#include "modules/encoding.h"
#include "runtime/codepage.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>

using namespace fenrow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeIntegralInRange(0, 3) == 0) {
        // The encoding module on any bytes, any pair of character sets and any
        // read position: no failure is worse than an empty result, and the
        // position only drops bytes from the front.
        static const char* const sets[] = {"UTF-8", "gbk", "Unicode", "", "latin-9", "utf-8 "};
        Text from(sets[in.ConsumeIntegralInRange<std::size_t>(0, std::size(sets) - 1)]);
        Text to(sets[in.ConsumeIntegralInRange<std::size_t>(0, std::size(sets) - 1)]);
        const int position = in.ConsumeIntegralInRange(-2, 40);
        const ByteArray bytes(in.ConsumeRemainingBytesAsString());
        Text from2 = from, to2 = to;
        const ByteArray all = encoding_convert(bytes, from, to);
        const ByteArray rest = encoding_convert(bytes, from2, to2, position);
        CHECK(from == from2 && to == to2);
        if (position >= 0)
            CHECK(rest.view() == all.view().substr(std::min<std::size_t>(position, all.view().size())));
        return 0;
    }
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
    // Through the encoding module, UTF-8 to the system's text and back.
    const std::string utf8 = text_to_utf8(t);
    if (!utf8.starts_with("\xEF\xBB\xBF")) { // a leading byte-order mark is read as none
        Text from, to;
        CHECK(encoding_convert(ByteArray(utf8), from, to).view() == t.view());
        Text gbk("GBK"), back("UTF-8");
        CHECK(encoding_convert(ByteArray(t.str()), gbk, back).view() == utf8);
    }
    return 0;
}
