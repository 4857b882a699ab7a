// The text primitives on arbitrary bytes, against simple references and
// against each other.
#include "runtime/text.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace fenrow;

namespace {


bool lead(unsigned char c) { return c > 0x80; }

unsigned char lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

bool equal_at(const std::string& t, std::size_t p, const std::string& s, bool ic)
{
    if (p + s.size() > t.size())
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char a = t[p + i], b = s[i];
        if (ic ? lower(a) != lower(b) : a != b)
            return false;
    }
    return true;
}

// Character starts reached by stepping from `from`.
std::vector<std::size_t> steps(const std::string& t, std::size_t from, std::size_t end)
{
    std::vector<std::size_t> v;
    for (std::size_t p = from; p < end; p += (lead(t[p]) && p + 1 < t.size()) ? 2 : 1)
        v.push_back(p);
    return v;
}

int ref_find(const std::string& t, const std::string& s, std::optional<int> start, bool ic)
{
    const std::size_t s0 = start ? static_cast<std::size_t>(std::max(*start - 1, 0)) : 0;
    if (s0 >= t.size())
        return -1;
    if (s.empty())
        return 1;
    for (std::size_t p : steps(t, s0, t.size()))
        if (equal_at(t, p, s, ic))
            return static_cast<int>(p + 1);
    return -1;
}

int ref_find_last(const std::string& t, const std::string& s, std::optional<int> start, bool ic)
{
    const std::size_t region = start ? std::min<std::size_t>(std::max(*start - 1, 0), t.size()) : t.size();
    if (region == 0)
        return -1;
    if (s.empty())
        return 1;
    int found = -1;
    for (std::size_t p : steps(t, 0, region))
        if (p + s.size() <= region && equal_at(t, p, s, ic))
            found = static_cast<int>(p + 1);
    return found;
}

std::string no_zero(std::string s)
{
    s.resize(std::min(s.size(), s.find('\0')));
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string t = no_zero(in.ConsumeRandomLengthString(256));
    const std::string s = no_zero(in.ConsumeRandomLengthString(8));
    const std::string r = no_zero(in.ConsumeRandomLengthString(8));
    const std::optional<int> start = in.ConsumeBool() ? std::optional<int>(in.ConsumeIntegralInRange(-3, 300)) : std::nullopt;
    const std::optional<int> count = in.ConsumeBool() ? std::optional<int>(in.ConsumeIntegralInRange(-2, 5)) : std::nullopt;
    const bool ic = in.ConsumeBool();
    const Text T(t), S(s), R(r);

    CHECK(txt_find(T, S, start, ic) == ref_find(t, s, start, ic));
    CHECK(txt_find_last(T, S, start, ic) == ref_find_last(t, s, start, ic));

    // Replacing every match with itself changes nothing; a count of replacements
    // never exceeds the matches that a forward search finds.
    CHECK(txt_replace(T, S, S, start, count, !ic) == T || ic);
    const Text replaced = txt_replace(T, S, R, start, count, true);
    if (ref_find(t, s, start, false) == -1 || s.empty())
        CHECK(replaced == T);

    // Splitting and joining again gives back the text, less a final delimiter.
    if (!s.empty()) {
        const TextArray parts = txt_split(T, S);
        std::string joined;
        for (int i = 1; i <= array_count(parts); ++i)
            joined += (i > 1 ? s : "") + array_at(parts, i).str();
        CHECK(joined == t || joined + s == t);
        if (array_count(parts) > 1)
            CHECK(txt_find(T, S, std::nullopt, false) == txt_len(array_at(parts, 1)) + 1);
        const int max = in.ConsumeIntegralInRange(-1, 4);
        CHECK(array_count(txt_split(T, S, max)) <= std::max(max, 0));
    }

    // Trimming removes only spaces; stripping keeps every other character in order.
    const Text trimmed = txt_trim(T), stripped = txt_strip_spaces(T);
    CHECK(txt_len(trimmed) <= txt_len(T) && txt_len(stripped) <= txt_len(trimmed));
    CHECK(txt_trim(trimmed) == trimmed);
    CHECK(txt_strip_spaces(stripped) == stripped);
    CHECK(t.find(trimmed.str()) != std::string::npos);

    const Text low = txt_lower(T);
    CHECK(txt_len(low) == txt_len(T) && txt_lower(low) == low);
    (void)txt_to_int(T);
    CHECK(txt_to_int(txt_from_int(static_cast<int32_t>(size))) == static_cast<int32_t>(size));
    (void)txt_mid(T, start.value_or(1), count.value_or(3));
    return 0;
}
