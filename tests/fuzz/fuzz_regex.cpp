// Regular expressions on arbitrary patterns and texts: a rejected pattern or a
// runaway match is a clean failure, the typed API's matches are stretches of
// the text, and the regular-expression object (through its component) finds
// the same ones at the same bytes.
#include "modules/regex_object.h"
#include "ops/blank_lines.h"
#include "runtime/codepage.h"
#include "runtime/regex.h"
#include "tests/fuzz/check.h"
#include "tests/support/blank_lines_reference.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

using namespace fenrow;

namespace {

bool holds(const Text& text, const RegexSpan& s)
{
    return s.offset >= 0 && s.offset + txt_len(s.text) <= txt_len(text) &&
           txt_mid(text, s.offset + 1, txt_len(s.text)) == s.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const Text pattern(in.ConsumeRandomLengthString(24));
    const Text replacement(in.ConsumeRandomLengthString(8));
    const bool case_sensitive = in.ConsumeBool(), multiline = in.ConsumeBool(), global = in.ConsumeBool();
    const Text text(in.ConsumeRemainingBytesAsString());

    RegexObject re;
    const bool searched = re.search(pattern, text, case_sensitive, multiline, global, true);
    const int n = re.match_count();
    CHECK(n >= 0);
    for (int i = 0; i <= n + 1 && i < 50; ++i) {
        int position = 0;
        (void)re.match_text(i, &position);
        for (int g = 1; g <= re.submatch_count() && g < 5; ++g)
            (void)re.submatch_text(i, g, &position);
    }
    (void)re.get_pattern();

    const auto typed = regex_compile(txt_replace(pattern, "#引号"_t, Text("\""), std::nullopt, std::nullopt, true),
                                     {!case_sensitive, multiline, global});
    const auto matches = typed ? regex_match(*typed, text) : std::nullopt;
    CHECK(searched == matches.has_value());
    if (matches) {
        CHECK(static_cast<int>(matches->size()) == n);
        Text joined;
        const auto pieces = regex_split(*typed, text);
        CHECK(pieces && pieces->size() == matches->size() + 1);
        for (std::size_t i = 0; i < matches->size(); ++i) {
            const RegexMatch& m = (*matches)[i];
            int position = 0;
            CHECK(holds(text, m.whole));
            CHECK(re.match_text(static_cast<int>(i) + 1, &position) == m.whole.text && position == m.whole.offset);
            for (const auto& g : m.groups)
                CHECK(!g || holds(text, *g));
            joined += (*pieces)[i] + m.whole.text;
        }
        CHECK(joined + pieces->back() == text);
        CHECK(regex_replace(*typed, text, replacement).value_or(Text()) == re.replace(replacement));
    }

    // Blank-line removal only ever deletes, and the byte scan agrees with the
    // expression that defines it.
    const Text cleaned = remove_blank_lines(text);
    CHECK(txt_len(cleaned) <= txt_len(text));
    CHECK(cleaned == remove_blank_lines_by_expression(text));
    CHECK(cleaned == remove_blank_lines(Text(text)));
    return 0;
}
