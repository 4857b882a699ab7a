// The regular-expression object and its component on arbitrary patterns and
// texts: a rejected pattern or a runaway match is a clean failure.
#include "modules/regex_object.h"
#include "ops/blank_lines.h"
#include "tests/fuzz/check.h"
#include "tests/support/blank_lines_reference.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

using namespace fenrow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const Text pattern(in.ConsumeRandomLengthString(24));
    const Text replacement(in.ConsumeRandomLengthString(8));
    const bool case_sensitive = in.ConsumeBool(), multiline = in.ConsumeBool(), global = in.ConsumeBool();
    const Text text(in.ConsumeRemainingBytesAsString());

    RegexObject re;
    if (re.search(pattern, text, case_sensitive, multiline, global, true)) {
        const int n = re.match_count();
        CHECK(n >= 0);
        for (int i = 0; i <= n + 1 && i < 50; ++i) {
            int position = 0;
            const Text m = re.match_text(i, &position);
            if (i >= 1 && i <= n) {
                CHECK(position >= 0 && position + txt_len(m) <= txt_len(text));
                CHECK(txt_mid(text, position + 1, txt_len(m)) == m || m.empty());
            }
            for (int g = 1; g <= re.submatch_count() && g < 5; ++g)
                (void)re.submatch_text(i, g, &position);
        }
        (void)re.replace(replacement);
        (void)re.get_pattern();
    }
    // Blank-line removal only ever deletes, and the byte scan agrees with the
    // expression that defines it.
    const Text cleaned = remove_blank_lines(text);
    CHECK(txt_len(cleaned) <= txt_len(text));
    CHECK(cleaned == remove_blank_lines_by_expression(text));
    CHECK(cleaned == remove_blank_lines(Text(text)));
    return 0;
}
