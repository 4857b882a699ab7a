#include "ops/list_tools.h"

#include "runtime/codepage.h"
#include "runtime/progress.h"
#include "runtime/regex.h"
#include "runtime/text_routines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

// Now and then on a walk over a list: how far it got, and the user's stop.
class Pace {
public:
    explicit Pace(std::string_view list) : list_(list) {}
    void at(std::string_view line)
    {
        if ((++lines_ & 0xFFFF) == 0)
            checkpoint(static_cast<double>(line.data() - list_.data()) / static_cast<double>(list_.size()));
    }

private:
    std::string_view list_;
    std::size_t lines_ = 0;
};

bool blank_at(std::string_view s, std::size_t i)
{
    return s[i] == ' ' || s[i] == '\t' || s.substr(i, 2) == "\xA1\xA1";
}

// The line's comparison key: a view into the line, or, with case ignored,
// into keys, where it is appended (keys never moves while it has room).
std::string_view key_of(std::string_view line, LineCompare c, std::string& keys)
{
    if (c.trim)
        line = trimmed(line);
    if (!c.ignore_case)
        return line;
    const std::size_t at = keys.size();
    keys += line;
    for (std::size_t i = at; i < keys.size(); i += char_len(keys, i))
        keys[i] = ascii_lower(keys[i]);
    return std::string_view(keys).substr(at);
}

// The distinct keys of one or two lists, numbered in order of first occurrence,
// by open addressing: eight bytes a slot, the keys views that stay where they are.
class KeyIndex {
public:
    explicit KeyIndex(std::size_t expected) : slots_(std::max<std::size_t>(16, expected + expected / 2)) {}
    // The key's number, and whether it is new.
    std::pair<std::uint32_t, bool> add(std::string_view key)
    {
        const std::uint64_t h = SpanSet::wide_hash(key);
        const auto tag = static_cast<std::uint32_t>(h >> 32) | 1u;
        for (std::size_t i = home(h);; i = i + 1 == slots_.size() ? 0 : i + 1) {
            Slot& s = slots_[i];
            if (s.tag == 0) {
                s = {tag, static_cast<std::uint32_t>(keys_.size())};
                keys_.push_back(key);
                if (keys_.size() * 4 > slots_.size() * 3)
                    grow();
                return {static_cast<std::uint32_t>(keys_.size() - 1), true};
            }
            if (s.tag == tag && keys_[s.id] == key)
                return {s.id, false};
        }
    }
    std::size_t size() const { return keys_.size(); }

private:
    struct Slot {
        std::uint32_t tag = 0; // 0: free
        std::uint32_t id = 0;
    };
    std::size_t home(std::uint64_t h) const { return static_cast<std::size_t>((h & 0xFFFFFFFFu) * slots_.size() >> 32); }
    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& s : old) {
            if (s.tag == 0)
                continue;
            std::size_t i = home(SpanSet::wide_hash(keys_[s.id]));
            while (slots_[i].tag != 0)
                i = i + 1 == slots_.size() ? 0 : i + 1;
            slots_[i] = s;
        }
    }
    std::vector<Slot> slots_;
    std::vector<std::string_view> keys_;
};

// The distinct lines of a and then b, in order of first occurrence: the first
// spelling of each, how often a holds it, and whether a and b hold it.
struct Distinct {
    std::vector<std::string_view> first;
    std::vector<std::uint32_t> count;
    std::vector<std::uint8_t> where; // bit 0: in a, bit 1: in b
};
constexpr std::uint8_t in_a = 1, in_b = 2;

Distinct distinct_lines(std::string_view a, std::string_view b, LineCompare c, bool skip_blank)
{
    std::string keys;
    if (c.ignore_case)
        keys.reserve(a.size() + b.size());
    KeyIndex index(rough_line_count(a) + (b.empty() ? 0 : rough_line_count(b)));
    Distinct d;
    const auto take = [&](std::string_view list, std::uint8_t bit) {
        Pace pace(list);
        for_each_crlf_piece(list, [&](std::string_view line) {
            pace.at(line);
            if (skip_blank && trimmed(line).empty())
                return;
            const std::size_t had = keys.size();
            const auto [id, fresh] = index.add(key_of(line, c, keys));
            if (fresh) {
                d.first.push_back(line);
                d.count.push_back(0);
                d.where.push_back(0);
            } else {
                keys.resize(had); // the key is there already
            }
            d.where[id] |= bit;
            if (bit == in_a)
                ++d.count[id];
        });
    };
    take(a, in_a);
    take(b, in_b);
    return d;
}

// Lines joined by CR LF, without one behind the last.
class Joined {
public:
    explicit Joined(std::size_t room) { s_.reserve(room); }
    void add(std::string_view line)
    {
        if (any_)
            s_ += "\r\n";
        any_ = true;
        s_ += line;
    }
    std::string& last() { return s_; }
    Text take() { return Text(std::move(s_)); }

private:
    std::string s_;
    bool any_ = false;
};

template <typename Keep>
Text kept(const Distinct& d, std::size_t room, Keep&& keep)
{
    Joined out(room);
    for (std::size_t i = 0; i < d.first.size(); ++i)
        if (keep(i))
            out.add(d.first[i]);
    return out.take();
}

// ASCII letters lowered where characters start, into out.
void lower_into(std::string_view s, std::string& out)
{
    out.assign(s);
    for (std::size_t i = 0; i < out.size(); i += char_len(out, i))
        out[i] = ascii_lower(out[i]);
}

// Whether x stands in s where a character starts and ends where one ends: a
// text ending in a lone lead byte does not take half of a character.
bool holds_whole(std::string_view s, std::string_view x)
{
    for (std::size_t at = find_from(s, x, 0, false); at != std::string_view::npos; at = find_from(s, x, at + char_len(s, at), false))
        if (at + x.size() == s.size() || starts_character(s, at, at + x.size()))
            return true;
    return false;
}

bool ascii_digit(char c) { return c >= '0' && c <= '9'; }

// splitmix64: the same numbers everywhere.
class SplitMix {
public:
    explicit SplitMix(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Evenly below bound (> 0): numbers from the uneven top are drawn again.
    std::uint64_t below(std::uint64_t bound)
    {
        const std::uint64_t uneven = (0 - bound) % bound;
        for (;;) {
            const std::uint64_t x = next();
            if (x >= uneven)
                return x % bound;
        }
    }

private:
    std::uint64_t state_;
};

std::vector<std::string_view> lines_of(std::string_view list)
{
    std::vector<std::string_view> lines;
    lines.reserve(rough_line_count(list));
    Pace pace(list);
    for_each_crlf_piece(list, [&](std::string_view line) {
        pace.at(line);
        lines.push_back(line);
    });
    return lines;
}

Text joined(const std::vector<std::string_view>& lines, std::size_t room)
{
    Joined out(room);
    for (const std::string_view line : lines)
        out.add(line);
    return out.take();
}

} // namespace

std::span<const ListToolEntry> list_tools()
{
    static const ListToolEntry tools[] = {
        {ListTool::dedupe_ignore_case, "去重复（不分大小写）"_t, "dedupe --ignore-case", 1, false},
        {ListTool::dedupe_trim, "去重复（忽略首尾空白）"_t, "dedupe --trim", 1, false},
        {ListTool::dupes, "只留重复行"_t, "dupes", 1, false},
        {ListTool::count, "重复次数"_t, "count", 1, false},
        {ListTool::intersect, "两表共有"_t, "intersect", 2, false},
        {ListTool::merge, "两表合并"_t, "union", 2, false},
        {ListTool::only, "只在一边"_t, "only", 2, false},
        {ListTool::keep_containing, "保留含有…的行"_t, "filter", 1, true},
        {ListTool::drop_containing, "删除含有…的行"_t, "filter --invert", 1, true},
        {ListTool::sort, "排序"_t, "sort", 1, false},
        {ListTool::sort_natural, "排序（数字按大小）"_t, "sort --natural", 1, false},
        {ListTool::sort_reverse, "倒序排列"_t, "sort --reverse", 1, false},
        {ListTool::shuffle, "打乱顺序"_t, "shuffle", 1, false},
        {ListTool::trim, "去首尾空白"_t, "trim", 1, false},
    };
    return tools;
}

const ListToolEntry& list_tool(ListTool tool)
{
    for (const ListToolEntry& e : list_tools())
        if (e.tool == tool)
            return e;
    return list_tools().front(); // every tool has its entry; a test holds them together
}

Filtered apply_list_tool(ListTool tool, std::string_view a, std::string_view b, const FilterOptions& filter,
                         std::uint64_t seed)
{
    Filtered r;
    switch (tool) {
    case ListTool::dedupe_ignore_case: r.list = dedupe_lines(a, {.ignore_case = true}); break;
    case ListTool::dedupe_trim: r.list = dedupe_lines(a, {.trim = true}); break;
    case ListTool::dupes: r.list = duplicate_lines(a); break;
    case ListTool::count: r.list = count_lines(a); break;
    case ListTool::intersect: r.list = intersect_lines(a, b); break;
    case ListTool::merge: r.list = merge_lines(a, b); break;
    case ListTool::only: r.list = only_lines(a, b); break;
    case ListTool::keep_containing:
    case ListTool::drop_containing: {
        FilterOptions o = filter;
        o.invert = tool == ListTool::drop_containing;
        return filter_lines(a, o);
    }
    case ListTool::sort: r.list = sort_lines(a); break;
    case ListTool::sort_natural: r.list = sort_lines(a, {.natural = true}); break;
    case ListTool::sort_reverse: r.list = sort_lines(a, {.reverse = true}); break;
    case ListTool::shuffle: r.list = shuffle_lines(a, seed); break;
    case ListTool::trim: r.list = trim_lines(a); break;
    }
    return r;
}

std::string_view trimmed(std::string_view line)
{
    std::size_t begin = 0, end = 0;
    bool seen = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t n = char_len(line, i);
        if (!blank_at(line, i) || (n == 1 && static_cast<unsigned char>(line[i]) > 0x80)) {
            if (!seen)
                begin = i;
            seen = true;
            end = i + n;
        }
        i += n;
    }
    return seen ? line.substr(begin, end - begin) : line.substr(0, 0);
}

Text dedupe_lines(std::string_view list, LineCompare c)
{
    const Distinct d = distinct_lines(list, {}, c, c.normalised());
    return kept(d, list.size(), [](std::size_t) { return true; });
}

Text duplicate_lines(std::string_view list, LineCompare c)
{
    const Distinct d = distinct_lines(list, {}, c, c.normalised());
    return kept(d, list.size(), [&](std::size_t i) { return d.count[i] > 1; });
}

Text count_lines(std::string_view list, LineCompare c)
{
    const Distinct d = distinct_lines(list, {}, c, c.normalised());
    Joined out(list.size() + d.first.size() * 8);
    for (std::size_t i = 0; i < d.first.size(); ++i) {
        out.add(d.first[i]);
        char digits[16];
        out.last() += '\t';
        out.last().append(digits, std::to_chars(digits, digits + sizeof digits, d.count[i]).ptr);
    }
    return out.take();
}

Text intersect_lines(std::string_view a, std::string_view b, LineCompare c)
{
    const Distinct d = distinct_lines(a, b, c, true);
    return kept(d, a.size(), [&](std::size_t i) { return d.where[i] == (in_a | in_b); });
}

Text merge_lines(std::string_view a, std::string_view b, LineCompare c)
{
    const Distinct d = distinct_lines(a, b, c, true);
    return kept(d, a.size() + b.size() + 2, [](std::size_t) { return true; });
}

Text only_lines(std::string_view a, std::string_view b, LineCompare c)
{
    const Distinct d = distinct_lines(a, b, c, true);
    return kept(d, a.size() + b.size() + 2, [&](std::size_t i) { return d.where[i] != (in_a | in_b); });
}

Filtered filter_lines(std::string_view list, const FilterOptions& o)
{
    std::optional<Regex> re;
    std::string needle, lowered;
    if (o.regex) {
        re = regex_compile(o.text, {o.ignore_case, false, false});
        if (!re)
            return refused<Filtered>({"正则表达式有误："_t + o.text, "提示！"_t});
    } else if (o.ignore_case) {
        lower_into(o.text.view(), needle);
    } else {
        needle = o.text.view();
    }
    Filtered r;
    Joined out(list.size());
    Text subject;
    bool gave_up = false;
    Pace pace(list);
    for_each_crlf_piece(list, [&](std::string_view line) {
        pace.at(line);
        if (gave_up)
            return;
        bool holds = needle.empty();
        if (re) {
            subject.edit([&](std::string& s) { s.assign(line); }); // a list holds no zero byte
            const std::optional<std::vector<RegexMatch>> m = regex_match(*re, subject);
            gave_up = !m;
            holds = m && !m->empty();
        } else if (!holds) {
            std::string_view s = line;
            if (o.ignore_case) {
                lower_into(line, lowered);
                s = lowered;
            }
            holds = holds_whole(s, needle);
        }
        if (holds != o.invert)
            out.add(line);
    });
    if (gave_up)
        return refused<Filtered>({"正则表达式过于复杂，未能完成查找："_t + o.text, "提示！"_t});
    r.list = out.take();
    return r;
}

bool natural_less(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const auto x0 = static_cast<unsigned char>(a[i]);
        if (x0 < 0x80 && x0 == static_cast<unsigned char>(b[j]) && !ascii_digit(a[i])) { // most bytes
            ++i;
            ++j;
            continue;
        }
        if (ascii_digit(a[i]) && ascii_digit(b[j])) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && ascii_digit(a[ie]))
                ++ie;
            while (je < b.size() && ascii_digit(b[je]))
                ++je;
            while (i + 1 < ie && a[i] == '0')
                ++i;
            while (j + 1 < je && b[j] == '0')
                ++j;
            const std::string_view x = a.substr(i, ie - i), y = b.substr(j, je - j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (x != y)
                return x < y;
            i = ie;
            j = je;
            continue;
        }
        const std::string_view x = a.substr(i, char_len(a, i)), y = b.substr(j, char_len(b, j));
        if (x != y)
            return x < y;
        i += x.size();
        j += y.size();
    }
    return a.size() - i < b.size() - j;
}

void append_natural_key(std::string_view line, std::string& out)
{
    for (std::size_t i = 0; i < line.size();) {
        if (!ascii_digit(line[i])) {
            const std::size_t n = char_len(line, i);
            out.append(line.substr(i, n));
            i += n;
            continue;
        }
        std::size_t end = i;
        while (end < line.size() && ascii_digit(line[end]))
            ++end;
        while (i + 1 < end && line[i] == '0')
            ++i;
        // A digit before the digits says how many there are: against any
        // other byte it stands as a digit would.
        const std::size_t n = end - i;
        out += static_cast<char>('0' + std::min<std::size_t>(n, 9));
        if (n >= 9)
            for (int shift = 56; shift >= 0; shift -= 8)
                out += static_cast<char>(static_cast<std::uint64_t>(n) >> shift & 0xFF);
        out.append(line.substr(i, end - i));
        i = end;
    }
}

namespace {

// A sort's comparisons counted, a checkpoint every million of them (of about
// n log2 n in all), so that a long sort shows its progress and stops.
template <typename Less>
class PacedLess {
public:
    PacedLess(Less less, std::size_t n, std::size_t& count)
        : less_(less), expected_(static_cast<double>(n) * std::max(1.0, std::log2(static_cast<double>(n) + 1))),
          count_(&count)
    {
    }
    template <typename T>
    bool operator()(const T& a, const T& b) const
    {
        if ((++*count_ & 0xFFFFF) == 0)
            checkpoint(std::min(1.0, static_cast<double>(*count_) / expected_));
        return less_(a, b);
    }

private:
    Less less_;
    double expected_;
    std::size_t* count_;
};

template <typename It, typename Less>
void paced_stable_sort(It first, It last, Less less)
{
    std::size_t count = 0;
    const ProgressPhase sorting(0.1, 0.9);
    std::stable_sort(first, last, PacedLess<Less>(less, static_cast<std::size_t>(last - first), count));
}

} // namespace

Text sort_lines(std::string_view list, SortOptions o)
{
    std::vector<std::string_view> lines;
    {
        const ProgressPhase cutting(0, 0.1);
        lines = lines_of(list);
    }
    if (o.natural) {
        // Each line's key sorts in byte order as natural_less orders the lines.
        std::string keys;
        keys.reserve(list.size() + list.size() / 2 + 16);
        std::vector<std::pair<std::size_t, std::size_t>> at; // a key's start and end
        at.reserve(lines.size());
        for (const std::string_view line : lines) {
            const std::size_t start = keys.size();
            append_natural_key(line, keys);
            at.emplace_back(start, keys.size());
        }
        struct Keyed {
            std::string_view key;
            std::uint32_t line;
        };
        std::vector<Keyed> order(lines.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = {std::string_view(keys).substr(at[i].first, at[i].second - at[i].first), static_cast<std::uint32_t>(i)};
        at = {};
        paced_stable_sort(order.begin(), order.end(), [&](const Keyed& a, const Keyed& b) {
            return o.reverse ? b.key < a.key : a.key < b.key;
        });
        Joined out(list.size());
        for (const Keyed& k : order)
            out.add(lines[k.line]);
        return out.take();
    }
    if (o.reverse)
        paced_stable_sort(lines.begin(), lines.end(), [](std::string_view a, std::string_view b) { return b < a; });
    else
        paced_stable_sort(lines.begin(), lines.end(), [](std::string_view a, std::string_view b) { return a < b; });
    return joined(lines, list.size());
}

Text shuffle_lines(std::string_view list, std::uint64_t seed)
{
    std::vector<std::string_view> lines = lines_of(list);
    SplitMix random(seed);
    for (std::size_t i = lines.size(); i > 1; --i)
        std::swap(lines[i - 1], lines[static_cast<std::size_t>(random.below(i))]);
    return joined(lines, list.size());
}

std::uint64_t fresh_seed()
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (std::uint64_t{device()} << 32 ^ device()) ^ now;
}

Text trim_lines(std::string_view list)
{
    Joined out(list.size());
    Pace pace(list);
    for_each_crlf_piece(list, [&](std::string_view line) {
        pace.at(line);
        out.add(trimmed(line));
    });
    return out.take();
}

} // namespace fenrow
