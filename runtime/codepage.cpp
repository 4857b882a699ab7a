#include "runtime/codepage.h"

#include "runtime/codepage_tables.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace fenrow {
namespace {

using namespace cp936;

// Lookups over the compiled-in tables.
class Tables {
public:
    char32_t two_byte(unsigned lead, unsigned trail) const { return cp936::two_byte[two_byte_slot(lead, trail)]; }

    char32_t four_byte(std::uint32_t index) const
    {
        if (index < cp936::four_byte_count)
            return cp936::four_byte[index];
        if (index >= supplementary_first_index && index - supplementary_first_index < 0x100000)
            return 0x10000 + (index - supplementary_first_index);
        return 0;
    }

    // The packed form of a character other than U+0000.
    std::uint32_t encode(char32_t c) const
    {
        if (c < 0x10000)
            return cp936::encode[c] != 0 ? cp936::encode[c] : cp936::encode[replacement_char];
        if (c <= 0x10FFFF)
            return pack_four_byte(supplementary_first_index + (c - 0x10000));
        return cp936::encode[replacement_char];
    }
};

const Tables& tables()
{
    static constexpr Tables t;
    return t;
}

// A string filled through a raw write position, grown by doubling, so that
// converting megabytes costs no allocation per character.
template <typename S>
class Output {
public:
    using Unit = typename S::value_type;

    explicit Output(std::size_t expected) : s_(std::max<std::size_t>(expected, 16), Unit{}) {}

    // Makes room for n more units; put() after it checks nothing.
    void room(std::size_t n)
    {
        if (len_ + n > s_.size())
            s_.resize(std::max(s_.size() * 2, len_ + n));
    }
    void put(Unit u) { s_[len_++] = u; }

    S finish()
    {
        s_.resize(len_);
        if (s_.capacity() - len_ > len_ / 8 + 64)
            s_.shrink_to_fit();
        return std::move(s_);
    }

private:
    S s_;
    std::size_t len_ = 0;
};

Cp936Char char_at(const Tables& t, const unsigned char* p, std::size_t n)
{
    const unsigned b1 = p[0];
    if (b1 < 0x80)
        return {b1, 1, true};
    if (b1 == 0x80)
        return {euro_sign, 1, true};
    if (b1 != 0xFF && n > 1) {
        const unsigned b2 = p[1];
        if (b2 >= 0x40) {
            if (const char32_t c = t.two_byte(b1, b2))
                return {c, 2, t.encode(c) == (b1 << 8 | b2)};
        } else if (b2 >= 0x30 && b2 <= 0x39 && n > 3) {
            const unsigned b3 = p[2], b4 = p[3];
            if (b3 >= 0x81 && b3 <= 0xFE && b4 >= 0x30 && b4 <= 0x39) {
                if (const char32_t c = t.four_byte(four_byte_index(b1, b2, b3, b4)))
                    return {c, 4, t.encode(c) == (b1 << 24 | b2 << 16 | b3 << 8 | b4)};
            }
        }
    }
    // Only the bad lead byte goes, so a following ASCII byte survives.
    return {replacement_char, 1, false};
}

// Calls emit with each character of the code-page-936 bytes. A byte that forms
// no character gives U+FFFD, or when exact the lone surrogate U+DC00 + byte;
// when exact, a second code of a character travels as its bytes too.
template <bool exact = false, typename Emit>
void decode_cp936(std::string_view s, Emit&& emit)
{
    const Tables& t = tables();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) { // the common case, kept out of char_at
            emit(p[i++]);
            continue;
        }
        const Cp936Char ch = char_at(t, p + i, n - i);
        if (exact && !ch.exact) {
            for (int k = 0; k < ch.length; ++k)
                emit(0xDC00 + p[i + k]);
        } else {
            emit(ch.c);
        }
        i += static_cast<std::size_t>(ch.length);
    }
}

// Appends the code-page-936 form of c (not U+0000).
inline void encode_cp936(const Tables& t, char32_t c, Output<std::string>& out)
{
    out.room(4);
    if (c < 0x80) {
        out.put(static_cast<char>(c));
        return;
    }
    const std::uint32_t packed = t.encode(c);
    if (packed < 0x100) {
        out.put(static_cast<char>(packed));
    } else if (packed < 0x10000) {
        out.put(static_cast<char>(packed >> 8));
        out.put(static_cast<char>(packed));
    } else {
        out.put(static_cast<char>(packed >> 24));
        out.put(static_cast<char>(packed >> 16));
        out.put(static_cast<char>(packed >> 8));
        out.put(static_cast<char>(packed));
    }
}

} // namespace

Cp936Char cp936_char_at(std::string_view bytes)
{
    return char_at(tables(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::u32string cp936_to_unicode(std::string_view bytes)
{
    Output<std::u32string> out(bytes.size()); // never more characters than bytes
    decode_cp936(bytes, [&out](char32_t c) { out.put(c); });
    return out.finish();
}

Text unicode_to_cp936(std::u32string_view code_points)
{
    const Tables& t = tables();
    Output<std::string> out(code_points.size() * 2);
    for (const char32_t c : code_points) {
        if (c == 0)
            break;
        encode_cp936(t, c, out);
    }
    return Text(out.finish());
}

namespace {

template <bool exact>
Text from_utf16(std::u16string_view s)
{
    const Tables& t = tables();
    Output<std::string> out(s.size() * 2);
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c == 0)
            break;
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else if (exact && c >= 0xDC01 && c <= 0xDCFF) {
                out.room(1);
                out.put(static_cast<char>(c - 0xDC00));
                continue;
            } else {
                c = replacement_char;
            }
        }
        encode_cp936(t, c, out);
    }
    return Text(out.finish());
}

template <bool exact>
std::u16string to_utf16(const Text& t)
{
    Output<std::u16string> out(t.view().size()); // never more units than bytes
    decode_cp936<exact>(t.view(), [&out](char32_t c) {
        if (c < 0x10000) {
            out.put(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            out.put(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.put(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    });
    return out.finish();
}

} // namespace

Text text_from_utf16(std::u16string_view s) { return from_utf16<false>(s); }
std::u16string text_to_utf16(const Text& t) { return to_utf16<false>(t); }
Text text_from_utf16_exact(std::u16string_view s) { return from_utf16<true>(s); }
std::u16string text_to_utf16_exact(const Text& t) { return to_utf16<true>(t); }

Text text_from_utf8(std::string_view s)
{
    const Tables& t = tables();
    Output<std::string> out(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    const auto cont = [&](std::size_t k, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return k < n && p[k] >= lo && p[k] <= hi;
    };
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = p[i];
        if (b == 0)
            break;
        char32_t c = replacement_char;
        std::size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (cont(i + 1)) {
                c = (b & 0x1F) << 6 | (p[i + 1] & 0x3F);
                len = 2;
            }
        } else if (b >= 0xE0 && b <= 0xEF) {
            const unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
            if (cont(i + 1, lo, hi) && cont(i + 2)) {
                c = (b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
                len = 3;
            }
        } else if (b >= 0xF0 && b <= 0xF4) {
            const unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
            if (cont(i + 1, lo, hi) && cont(i + 2) && cont(i + 3)) {
                c = (b & 0x07) << 18 | (p[i + 1] & 0x3F) << 12 | (p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F);
                len = 4;
            }
        }
        encode_cp936(t, c, out);
        i += len;
    }
    return Text(out.finish());
}

bool valid_utf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                lo = 0xA0;
            else if (c == 0xED)
                hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                lo = 0x90;
            else if (c == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (n - i <= static_cast<std::size_t>(more))
            return false;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (int k = 2; k <= more; ++k) {
            if ((p[i + static_cast<std::size_t>(k)] & 0xC0) != 0x80)
                return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

std::string text_to_utf8(const Text& t)
{
    Output<std::string> out(t.view().size() + t.view().size() / 2);
    decode_cp936(t.view(), [&out](char32_t c) {
        out.room(4);
        if (c < 0x80) {
            out.put(static_cast<char>(c));
        } else if (c < 0x800) {
            out.put(static_cast<char>(0xC0 | c >> 6));
            out.put(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.put(static_cast<char>(0xE0 | c >> 12));
            out.put(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.put(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.put(static_cast<char>(0xF0 | c >> 18));
            out.put(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.put(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.put(static_cast<char>(0x80 | (c & 0x3F)));
        }
    });
    return out.finish();
}

char32_t fold_case(char32_t c)
{
    if (c < 0x80)
        return ascii_lower(c);
    const char32_t* end = cp936::fold_from + cp936::fold_count;
    const char32_t* at = std::lower_bound(cp936::fold_from, end, c);
    return at != end && *at == c ? cp936::fold_to[at - cp936::fold_from] : c;
}

Text operator""_t(const char* s, std::size_t n)
{
    return text_from_utf8(std::string_view(s, n));
}

} // namespace fenrow
