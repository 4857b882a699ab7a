#include "runtime/text_routines.h"

#include "runtime/codepage.h"

#include <string_view>
#include <unordered_set>

namespace fenrow {

Text text_between(const Text& text, const Text& head, const Text& tail, std::optional<int> start,
                  std::optional<bool> case_sensitive)
{
    const Text quote_token = "#引号"_t;
    const Text h = txt_replace(head, quote_token, Text("\""), std::nullopt, std::nullopt, true);
    const Text t = txt_replace(tail, quote_token, Text("\""), std::nullopt, std::nullopt, true);
    const bool ignore_case = !case_sensitive.value_or(false);
    int p1 = txt_find(text, h, start, ignore_case);
    if (p1 == -1)
        return {};
    p1 += txt_len(h);
    if (t.empty())
        return txt_mid(text, p1, txt_len(text));
    const int p2 = txt_find(text, t, p1, ignore_case);
    if (p2 == -1)
        return {};
    return txt_mid(text, p1, p2 - p1);
}

int index_of(const TextArray& a, const Text& t)
{
    for (int i = 1; i <= array_count(a); ++i) {
        if (txt_compare(array_at(a, i), t) == 0)
            return i;
    }
    return -1;
}

Text remove_duplicate_items(const Text& t, const Text& sep)
{
    // A set of the items seen gives the result of a search through them all.
    const TextArray items = txt_split(t, sep);
    std::unordered_set<std::string_view> seen;
    seen.reserve(items.items().size());
    std::string result;
    result.reserve(t.view().size() + sep.view().size());
    for (const Text& item : items) {
        if (seen.insert(item.view()).second) {
            result += item.view();
            result += sep.view();
        }
    }
    const int kept = static_cast<int>(result.size()) - txt_len(sep);
    return txt_left(Text(std::move(result)), kept);
}

} // namespace fenrow
