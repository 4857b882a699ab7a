#include "runtime/text.h"

#include "runtime/codepage.h"
#include "runtime/fatal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fenrow {

namespace {

using std::size_t;

// Compares sought with the bytes of t at pos; the caller checks that they fit.
bool matches_at(std::string_view t, size_t pos, std::string_view sought, bool ignore_case)
{
    if (!ignore_case)
        return std::memcmp(t.data() + pos, sought.data(), sought.size()) == 0;
    for (size_t i = 0; i < sought.size(); ++i) {
        if (ascii_lower(static_cast<unsigned char>(t[pos + i])) != ascii_lower(static_cast<unsigned char>(sought[i])))
            return false;
    }
    return true;
}

char swap_ascii_case(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return static_cast<char>(c - 'A' + 'a');
    return c;
}

size_t start_offset(std::optional<int> start)
{
    return start ? static_cast<size_t>(std::max(*start - 1, 0)) : 0;
}

bool is_full_width_space(std::string_view s, size_t i)
{
    return i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0xA1 && static_cast<unsigned char>(s[i + 1]) == 0xA1;
}

// The length of the space character at i (1 or 2), or 0 when there is none.
size_t space_len(std::string_view s, size_t i)
{
    if (s[i] == ' ')
        return 1;
    return is_full_width_space(s, i) ? 2 : 0;
}

} // namespace

int txt_len(const Text& t) { return t.size(); }

int txt_compare(const Text& a, const Text& b)
{
    int r = a.view().compare(b.view()); // char_traits<char>::compare orders bytes as unsigned
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

Text txt_left(const Text& t, int n)
{
    if (n <= 0)
        return {};
    return Text(t.view().substr(0, static_cast<size_t>(n)));
}

Text txt_right(const Text& t, int n)
{
    if (n <= 0)
        return {};
    if (n >= t.size())
        return t;
    return Text(t.view().substr(t.view().size() - static_cast<size_t>(n)));
}

Text txt_mid(const Text& t, int start, int n)
{
    const long long p = static_cast<long long>(start) - 1;
    if (p < 0 || p >= t.size() || n <= 0)
        return {};
    return Text(t.view().substr(static_cast<size_t>(p), static_cast<size_t>(n)));
}

std::size_t find_from(std::string_view s, std::string_view x, std::size_t from, bool ignore_case)
{
    if (from >= s.size())
        return std::string_view::npos;
    if (x.empty())
        return 0;
    if (s.size() - from < x.size())
        return std::string_view::npos;
    // Candidates are the places of x's first byte (in either case), found with
    // memchr; one counts where a character starts, as when stepping through them.
    const size_t last = s.size() - x.size();
    const auto next = [&](char c, size_t at) {
        const void* p = at <= last ? std::memchr(s.data() + at, c, last + 1 - at) : nullptr;
        return p != nullptr ? static_cast<size_t>(static_cast<const char*>(p) - s.data()) : std::string_view::npos;
    };
    const char first = x[0];
    const char other = ignore_case ? swap_ascii_case(first) : first;
    size_t at_first = next(first, from), at_other = other != first ? next(other, from) : std::string_view::npos;
    for (size_t known = from;;) { // a character starts at known
        const size_t pos = std::min(at_first, at_other);
        if (pos == std::string_view::npos)
            return std::string_view::npos;
        const bool starts = starts_character(s, known, pos);
        if (starts && matches_at(s, pos, x, ignore_case))
            return pos;
        known = starts ? pos : pos + 1;
        if (at_first == pos)
            at_first = next(first, pos + 1);
        if (at_other == pos)
            at_other = next(other, pos + 1);
    }
}

int txt_find(const Text& t, const Text& sought, std::optional<int> start, bool ignore_case)
{
    const std::size_t at = find_from(t.view(), sought.view(), start_offset(start), ignore_case);
    return at == std::string_view::npos ? -1 : static_cast<int>(at + 1);
}

int txt_find_last(const Text& t, const Text& sought, std::optional<int> start, bool ignore_case)
{
    const std::string_view s = t.view(), x = sought.view();
    const size_t region = start ? std::min(start_offset(start), s.size()) : s.size();
    if (region == 0)
        return -1;
    if (x.empty())
        return 1;
    int found = -1;
    for (size_t pos = 0; pos < region && region - pos >= x.size(); pos += char_len(s, pos)) {
        if (matches_at(s, pos, x, ignore_case))
            found = static_cast<int>(pos + 1);
    }
    return found;
}

Text txt_replace(const Text& t, const Text& sought, std::optional<Text> replacement, std::optional<int> start,
                 std::optional<int> count, bool case_sensitive)
{
    const std::string_view s = t.view(), x = sought.view();
    const size_t s0 = start_offset(start);
    if (s.empty() || x.empty() || (count && *count == 0) || s0 >= s.size())
        return t;
    const std::string_view r = replacement ? replacement->view() : std::string_view{};
    const long long limit = (count && *count > 0) ? *count : -1;
    long long done = 0;
    std::string out;
    out.reserve(s.size());
    out.append(s.substr(0, s0));
    size_t pos = s0;
    while (pos < s.size() && s.size() - pos >= x.size() && done != limit) {
        if (matches_at(s, pos, x, !case_sensitive)) {
            out.append(r);
            pos += x.size();
            ++done;
        } else {
            const size_t n = char_len(s, pos);
            out.append(s.substr(pos, n));
            pos += n;
        }
    }
    out.append(s.substr(std::min(pos, s.size())));
    return Text(std::move(out));
}

TextArray txt_split(const Text& t, std::optional<Text> delimiter, std::optional<int> max_pieces)
{
    const std::string_view s = t.view();
    const std::string_view d = delimiter ? delimiter->view() : std::string_view(",");
    const size_t limit = max_pieces ? static_cast<size_t>(std::max(*max_pieces, 0)) : SIZE_MAX;
    std::vector<Text> pieces;
    if (s.empty() || limit == 0)
        return TextArray(std::move(pieces));
    if (d.empty()) {
        pieces.push_back(t);
        return TextArray(std::move(pieces));
    }
    size_t piece = 0, pos = 0;
    while (pos < s.size() && s.size() - pos >= d.size()) {
        if (std::memcmp(s.data() + pos, d.data(), d.size()) == 0) {
            pieces.emplace_back(s.substr(piece, pos - piece));
            pos += d.size();
            piece = pos;
            if (pieces.size() >= limit)
                return TextArray(std::move(pieces));
        } else {
            pos += char_len(s, pos);
        }
    }
    if (piece < s.size())
        pieces.emplace_back(s.substr(piece));
    return TextArray(std::move(pieces));
}

Text txt_lower(const Text& t)
{
    const std::string_view s = t.view();
    std::string out(s);
    for (size_t pos = 0; pos < s.size(); pos += char_len(s, pos))
        out[pos] = static_cast<char>(ascii_lower(static_cast<unsigned char>(s[pos])));
    return Text(std::move(out));
}

Text txt_trim(const Text& t)
{
    const std::string_view s = t.view();
    size_t first = 0;
    while (first < s.size()) {
        const size_t n = space_len(s, first);
        if (n == 0)
            break;
        first += n;
    }
    // Scanning forward finds where the last run of spaces begins without
    // mistaking the second byte of a character for a space.
    size_t end = first;
    for (size_t pos = first; pos < s.size();) {
        const size_t n = space_len(s, pos);
        if (n == 0) {
            pos += char_len(s, pos);
            end = pos;
        } else {
            pos += n;
        }
    }
    return Text(s.substr(first, end - first));
}

Text txt_strip_spaces(const Text& t)
{
    const std::string_view s = t.view();
    std::string out;
    out.reserve(s.size());
    for (size_t pos = 0; pos < s.size();) {
        const size_t n = space_len(s, pos);
        if (n != 0) {
            pos += n;
            continue;
        }
        const size_t c = char_len(s, pos);
        out.append(s.substr(pos, c));
        pos += c;
    }
    return Text(std::move(out));
}

int32_t txt_to_int(const Text& t)
{
    // Full-width digits, signs and spaces read like their one-byte forms.
    const std::string_view s = t.view();
    std::string narrow;
    narrow.reserve(s.size());
    for (size_t pos = 0; pos < s.size();) {
        const size_t n = char_len(s, pos);
        const auto b0 = static_cast<unsigned char>(s[pos]);
        const auto b1 = n == 2 ? static_cast<unsigned char>(s[pos + 1]) : 0;
        if (n == 2 && b0 == 0xA3 && b1 >= 0xA1 && b1 <= 0xFE)
            narrow.push_back(static_cast<char>(b1 - 0x80));
        else if (n == 2 && b0 == 0xA1 && b1 == 0xA1)
            narrow.push_back(' ');
        else if (n == 2 && b0 == 0xA1 && b1 == 0xAB)
            narrow.push_back('~');
        else if (n == 2 && b0 == 0xA1 && (b1 == 0xEE || b1 == 0xEF))
            narrow.push_back('*');
        else
            narrow.append(s.substr(pos, n));
        pos += n;
    }
    size_t i = 0;
    while (i < narrow.size() && std::strchr(" \t\n\v\f\r", narrow[i]) != nullptr)
        ++i;
    bool negative = false;
    if (i < narrow.size() && (narrow[i] == '+' || narrow[i] == '-'))
        negative = narrow[i++] == '-';
    uint32_t value = 0; // unsigned, so that long digit strings wrap modulo 2^32
    for (; i < narrow.size() && narrow[i] >= '0' && narrow[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(narrow[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

Text txt_from_int(int32_t i) { return Text(std::to_string(i)); }

Text txt_from_double(double x)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.13g", x);
    std::string s(buf);
    // Exponents are written with a sign and three digits: 1e+013, 2.5e-005.
    const size_t e = s.find('e');
    if (e != std::string::npos && e + 2 < s.size()) {
        std::string digits = s.substr(e + 2);
        if (digits.size() < 3)
            digits.insert(0, 3 - digits.size(), '0');
        s = s.substr(0, e + 2) + digits;
    }
    return Text(std::move(s));
}

Text txt_from_bytes(const ByteArray& b) { return Text(b.view()); }

ByteArray txt_to_bytes(const Text& t) { return ByteArray(t.str()); }

Text txt_spaces(int n) { return n < 1 ? Text() : Text(std::string(static_cast<size_t>(n), ' ')); }

Text txt_from_code(unsigned char c) { return Text(std::string(1, static_cast<char>(c))); }

int bytes_len(const ByteArray& b) { return b.size(); }

ByteArray bytes_left(const ByteArray& b, int n)
{
    if (n <= 0)
        return {};
    return ByteArray(b.str().substr(0, static_cast<size_t>(n)));
}

int bytes_find(const ByteArray& b, const ByteArray& sought, std::optional<int> start)
{
    const std::string_view s = b.view(), x = sought.view();
    const size_t s0 = start_offset(start);
    if (x.empty() || s0 >= s.size())
        return -1;
    const size_t at = s.find(x, s0);
    return at == std::string_view::npos ? -1 : static_cast<int>(at + 1);
}

ByteArray bytes_zeros(int n) { return n <= 0 ? ByteArray() : ByteArray(std::string(static_cast<size_t>(n), '\0')); }

int array_count(const TextArray& a) { return static_cast<int>(a.items().size()); }

const Text& array_at(const TextArray& a, int index)
{
    if (index < 1)
        fatal_error(4, "数组成员引用下标必须大于等于1"_t);
    if (index > array_count(a))
        fatal_error(1, "数组成员引用下标超出定义范围"_t);
    return a.items()[static_cast<size_t>(index - 1)];
}

void array_append(TextArray& a, const Text& t) { a.items().push_back(t); }

} // namespace fenrow
