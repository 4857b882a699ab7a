#include "runtime/text_routines.h"

#include "runtime/codepage.h"
#include "runtime/line_chunks.h"
#include "runtime/work_pool.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace fenrow {

std::string_view text_between_view(std::string_view s, std::string_view head, std::string_view tail, std::size_t from,
                                   bool ignore_case)
{
    const std::size_t at = find_from(s, head, from, ignore_case);
    if (at == std::string_view::npos || at + head.size() >= s.size())
        return {};
    const std::size_t begin = at + head.size();
    if (tail.empty())
        return s.substr(begin);
    const std::size_t end = find_from(s, tail, begin, ignore_case);
    return end == std::string_view::npos ? std::string_view() : s.substr(begin, end - begin);
}

Text text_between(const Text& text, const Text& head, const Text& tail, std::optional<int> start,
                  std::optional<bool> case_sensitive)
{
    const Text h = with_quotes(head), t = with_quotes(tail);
    const std::size_t from = start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
    return Text(text_between_view(text.view(), h.view(), t.view(), from, !case_sensitive.value_or(false)));
}

Text with_quotes(const Text& marker)
{
    return txt_replace(marker, "#引号"_t, Text("\""), std::nullopt, std::nullopt, true);
}

int index_of(const TextArray& a, const Text& t)
{
    for (int i = 1; i <= array_count(a); ++i) {
        if (txt_compare(array_at(a, i), t) == 0)
            return i;
    }
    return -1;
}

Text remove_duplicate_items(const Text& t, const Text& sep, WorkPool* threads)
{
    if (sep.view() == "\r\n" && places_fit_32_bits(t.view().size())) {
        if (const std::size_t chunks = chunk_count(threads, t.view().size()); chunks > 1)
            return remove_duplicate_lines_on(*threads, t.view(), chunks);
    }
    std::string result;
    result.reserve(t.view().size() + sep.view().size());
    const auto keep = [&](std::string_view item) {
        result += item;
        result += sep.view();
    };
    if (sep.view() == "\r\n") {
        for_each_first_line(t.view(), keep);
    } else {
        const TextArray items = txt_split(t, sep);
        std::string pool; // the items end to end: the set's strings lie in one text
        pool.reserve(t.view().size());
        for (const Text& item : items)
            pool += item.view();
        SpanSet seen(pool, items.items().size());
        std::size_t at = 0;
        for (const Text& item : items) {
            const std::string_view v = std::string_view(pool).substr(at, item.view().size());
            at += v.size();
            if (seen.insert(v))
                keep(v);
        }
    }
    if (result.size() <= sep.view().size())
        return Text();
    result.resize(result.size() - sep.view().size()); // no separator behind the last
    return Text(std::move(result));
}

std::size_t rough_line_count(std::string_view s)
{
    return 1 + count_byte(s, '\n');
}

std::uint64_t SpanSet::wide_hash(std::string_view s)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    std::uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}


SpanSet::SpanSet(std::string_view base, std::size_t expected) : base_(base.data())
{
    slots_.resize(std::max<std::size_t>(16, expected + expected / 3)); // three quarters full when all come
}

std::size_t SpanSet::find(std::string_view s, std::uint32_t hash) const
{
    const std::uint32_t wanted = tag(hash, s.size());
    for (std::size_t i = home(hash);; i = i + 1 == slots_.size() ? 0 : i + 1) {
        const Slot& slot = slots_[i];
        if (slot.tag == 0 || (slot.tag == wanted && size_of(slot) == s.size() &&
                              std::memcmp(base_ + slot.offset, s.data(), s.size()) == 0))
            return i;
    }
}

bool SpanSet::insert(std::string_view s, std::uint32_t hash)
{
    Slot& slot = slots_[find(s, hash)];
    if (slot.tag != 0)
        return false;
    slot = {static_cast<std::uint32_t>(s.data() - base_), tag(hash, s.size())};
    if (s.size() >= long_size)
        long_sizes_[slot.offset] = static_cast<std::uint32_t>(s.size());
    if (++count_ * 5 > slots_.size() * 4)
        grow();
    return true;
}

bool SpanSet::contains(std::string_view s, std::uint32_t hash) const { return slots_[find(s, hash)].tag != 0; }

void SpanSet::grow()
{
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.tag == 0)
            continue;
        // Only part of the hash is kept: the string gives it again.
        std::size_t i = home(hash(std::string_view(base_ + slot.offset, size_of(slot))));
        while (slots_[i].tag != 0)
            i = i + 1 == slots_.size() ? 0 : i + 1;
        slots_[i] = slot;
    }
}

} // namespace fenrow
