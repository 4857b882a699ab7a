#include "runtime/file_encoding.h"

#include "runtime/byte_scan.h"
#include "runtime/codepage.h"
#include "runtime/codepage_tables.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace fenrow {

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool utf16(FileEncoding e) { return e == FileEncoding::utf16le || e == FileEncoding::utf16be; }

char16_t unit_at(const char* p, bool big_endian)
{
    const auto a = static_cast<unsigned char>(p[0]), b = static_cast<unsigned char>(p[1]);
    return static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
}

bool high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// A byte no encoding decodes travels to the system's text as the lone
// surrogate the exact conversion gives back as that byte; a zero byte, which
// no text holds, is left out.
void keep_byte(std::u16string& u, unsigned char b)
{
    if (b != 0)
        u.push_back(static_cast<char16_t>(0xDC00 + b));
}

// Plain text as UTF-16 in that byte order: no control character but tab, CR
// and LF, no zero, no lone surrogate, no noncharacter U+FFFE or U+FFFF.
bool plain_utf16(std::string_view bytes, bool big_endian)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t u = unit_at(bytes.data() + i, big_endian);
        if (u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n')
            return false;
        if (u == 0xFFFE || u == 0xFFFF || low_surrogate(u))
            return false;
        if (high_surrogate(u)) {
            if (i + 3 >= bytes.size() || !low_surrogate(unit_at(bytes.data() + i + 2, big_endian)))
                return false;
            i += 2;
        }
    }
    return true;
}

// UTF-16 without a BOM: the zero bytes (the high bytes of ASCII and of the
// line ends: at least two, and one every eight characters) nearly all on one
// side of the characters, and the characters plain text.
std::optional<FileEncoding> utf16_by_zeros(std::string_view bytes)
{
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return std::nullopt;
    std::size_t zeros[2] = {0, 0}; // at even and at odd places
    for (std::size_t i = 0; i < bytes.size(); ++i)
        zeros[i % 2] += bytes[i] == '\0';
    const bool little_endian = zeros[1] >= zeros[0];
    const std::size_t high = zeros[little_endian ? 1 : 0], low = zeros[little_endian ? 0 : 1];
    if (high < 2 || high * 8 < bytes.size() / 2 || low * 4 > high || !plain_utf16(bytes, !little_endian))
        return std::nullopt;
    return little_endian ? FileEncoding::utf16le : FileEncoding::utf16be;
}

bool private_use(char32_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Big5 on strong evidence only. Every byte above ASCII must form a standard
// Big5 character (lead A1-F9). Read as GBK, the same two bytes of a Big5 text
// are often kana (rows A4 and A5, where Big5 has its commonest characters),
// characters of GBK's rare extensions (a second byte below A1, two in five of
// Big5's) or codes no GBK text holds (user-defined or unassigned); a GBK list
// of Chinese names has none of them. Kana alone is no evidence: a GBK text
// may hold Japanese.
bool looks_big5(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t chars = 0, kana = 0, extension = 0, foreign = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (i + 8 <= s.size()) { // lists are mostly ASCII: eight bytes at a time, to the next byte above it
            std::uint64_t x;
            std::memcpy(&x, p + i, sizeof x); // little-endian: the first byte lowest
            const std::uint64_t high = x & 0x8080808080808080ull;
            if (high == 0) {
                i += 8;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctzll(high)) / 8;
        }
        const unsigned lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 == s.size() || lead < 0xA1 || lead > 0xF9)
            return false;
        const unsigned trail = p[i + 1];
        if (!((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE)))
            return false;
        const std::size_t slot = cp936::two_byte_slot(lead, trail);
        const char16_t big5 = big5::two_byte[slot];
        if (big5 == 0 || private_use(big5))
            return false;
        const char32_t gbk = cp936::two_byte[slot];
        ++chars;
        if (gbk == 0 || private_use(gbk))
            ++foreign;
        else if (trail < 0xA1)
            ++extension;
        else if (lead == 0xA4 || lead == 0xA5)
            ++kana;
        i += 2;
    }
    const std::size_t evidence = kana + extension + foreign;
    if (foreign > 0)
        return evidence >= 2 && evidence * 4 >= chars;
    return extension > 0 && evidence >= 3 && evidence * 2 >= chars;
}

// Valid UTF-8 that a GBK text is not by chance: a character of three or four
// bytes (all Chinese, Japanese and Korean), which a GBK list of names hardly
// ever forms, or four of two bytes (Greek, Cyrillic, Arabic, …), which a GBK
// name of one or two characters forms one time in fifty.
bool clearly_utf8(std::string_view s)
{
    std::size_t two_bytes = 0;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0xE0)
            return true;
        two_bytes += b >= 0xC0;
    }
    return two_bytes >= 4;
}

// One strict UTF-8 character at p[i] (as valid_utf8 takes them): its code
// point and length, or length 0 for a byte that starts none.
std::pair<char32_t, std::size_t> utf8_char(const unsigned char* p, std::size_t n, std::size_t i)
{
    const unsigned b = p[i];
    if (b < 0x80)
        return {b, 1};
    std::size_t more;
    unsigned lo = 0x80, hi = 0xBF;
    char32_t c;
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2;
        c = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3;
        c = b & 0x07;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0, 0};
    }
    if (n - i <= more)
        return {0, 0};
    for (std::size_t k = 1; k <= more; ++k) {
        const unsigned t = p[i + k];
        if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF))
            return {0, 0};
        c = c << 6 | (t & 0x3F);
    }
    return {c, more + 1};
}

void push_char(std::u16string& u, char32_t c)
{
    if (c < 0x10000) {
        u.push_back(static_cast<char16_t>(c));
    } else {
        u.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        u.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

std::u16string utf8_kept(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::u16string u;
    u.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto [c, length] = utf8_char(p, s.size(), i);
        if (length == 0) {
            keep_byte(u, p[i]);
            ++i;
        } else {
            push_char(u, c);
            i += length;
        }
    }
    return u;
}

std::u16string utf16_kept(std::string_view bytes, bool big_endian)
{
    std::u16string u;
    u.reserve(bytes.size() / 2 + 1);
    const auto kept = [&](std::size_t at) {
        keep_byte(u, static_cast<unsigned char>(bytes[at]));
        keep_byte(u, static_cast<unsigned char>(bytes[at + 1]));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t c = unit_at(bytes.data() + i, big_endian);
        if (c == 0)
            continue; // the system's text holds no zero; pastes leave it out too
        if (high_surrogate(c) && i + 3 < bytes.size() && low_surrogate(unit_at(bytes.data() + i + 2, big_endian))) {
            u.push_back(c);
            u.push_back(unit_at(bytes.data() + i + 2, big_endian));
            i += 2;
        } else if (high_surrogate(c) || low_surrogate(c)) {
            kept(i);
        } else {
            u.push_back(c);
        }
    }
    if (i < bytes.size())
        keep_byte(u, static_cast<unsigned char>(bytes[i]));
    return u;
}

std::u16string big5_kept(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    std::u16string u;
    u.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const unsigned lead = p[i];
        if (lead < 0x80) {
            u.push_back(static_cast<char16_t>(lead));
            ++i;
            continue;
        }
        const unsigned trail = i + 1 < s.size() ? p[i + 1] : 0;
        const char16_t c = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE
                               ? big5::two_byte[cp936::two_byte_slot(lead, trail)]
                               : 0;
        if (c == 0) {
            keep_byte(u, static_cast<unsigned char>(lead));
            ++i;
        } else {
            u.push_back(c);
            i += 2;
        }
    }
    return u;
}

} // namespace

FileEncoding detect_encoding(std::string_view bytes)
{
    if (starts_with(bytes, "\xEF\xBB\xBF"))
        return FileEncoding::utf8_bom;
    if (starts_with(bytes, "\xFF\xFE"))
        return FileEncoding::utf16le;
    if (starts_with(bytes, "\xFE\xFF"))
        return FileEncoding::utf16be;
    if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
        if (const std::optional<FileEncoding> e = utf16_by_zeros(bytes))
            return *e;
        return FileEncoding::gbk; // no text: its zero bytes refuse it
    }
    if (all_ascii(bytes))
        return FileEncoding::gbk; // the same text either way: nothing says it is not the system's
    if (valid_utf8(bytes) && clearly_utf8(bytes))
        return FileEncoding::utf8;
    return looks_big5(bytes) ? FileEncoding::big5 : FileEncoding::gbk;
}

const char* encoding_name(FileEncoding e)
{
    switch (e) {
    case FileEncoding::utf8:
    case FileEncoding::utf8_bom: return "UTF-8";
    case FileEncoding::utf16le: return "UTF-16 LE";
    case FileEncoding::utf16be: return "UTF-16 BE";
    case FileEncoding::big5: return "Big5";
    case FileEncoding::gbk: break;
    }
    return "GBK/GB18030";
}

std::size_t bom_size(std::string_view bytes, FileEncoding e)
{
    switch (e) {
    case FileEncoding::utf8:
    case FileEncoding::utf8_bom: return starts_with(bytes, "\xEF\xBB\xBF") ? 3 : 0;
    case FileEncoding::utf16le: return starts_with(bytes, "\xFF\xFE") ? 2 : 0;
    case FileEncoding::utf16be: return starts_with(bytes, "\xFE\xFF") ? 2 : 0;
    default: return 0;
    }
}

bool append_system_text(std::string& out, std::string_view piece, FileEncoding e)
{
    if (!utf16(e) && std::memchr(piece.data(), 0, piece.size()) != nullptr)
        return false;
    switch (e) {
    case FileEncoding::gbk: out.append(piece); break;
    case FileEncoding::utf8:
    case FileEncoding::utf8_bom:
        out.append(valid_utf8(piece) ? text_from_utf8(piece).view() : text_from_utf16_exact(utf8_kept(piece)).view());
        break;
    case FileEncoding::utf16le:
    case FileEncoding::utf16be:
        out.append(text_from_utf16_exact(utf16_kept(piece, e == FileEncoding::utf16be)).view());
        break;
    case FileEncoding::big5: out.append(text_from_utf16_exact(big5_kept(piece)).view()); break;
    }
    return true;
}

} // namespace fenrow
