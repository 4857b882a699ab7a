#include "runtime/charset.h"

#include "runtime/codepage.h"

namespace fenrow {

std::optional<Charset> charset_named(std::u16string_view name)
{
    std::string n;
    for (const char16_t c : name)
        n.push_back(c < 0x80 ? static_cast<char>(ascii_lower(c)) : '?');
    if (n == "utf-8")
        return Charset::utf8;
    if (n == "gbk")
        return Charset::gbk;
    if (n == "unicode")
        return Charset::unicode;
    return std::nullopt;
}

std::u16string charset_decode(std::string_view bytes, Charset cs, bool at_start)
{
    switch (cs) {
    case Charset::utf8:
        if (at_start && bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        return text_to_utf16(text_from_utf8(bytes));
    case Charset::gbk:
        return text_to_utf16_exact(Text(bytes));
    case Charset::unicode:
        break;
    }
    if (at_start && bytes.starts_with("\xFF\xFE"))
        bytes.remove_prefix(2);
    std::u16string s(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return s;
}

std::string charset_encode(std::u16string_view s, Charset cs)
{
    switch (cs) {
    case Charset::utf8:
        return text_to_utf8(text_from_utf16(s));
    case Charset::gbk:
        return text_from_utf16_exact(s).str();
    case Charset::unicode:
        break;
    }
    std::string out;
    out.reserve(2 * s.size());
    for (const char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

ByteArray charset_convert(const ByteArray& data, Charset from, Charset to)
{
    const Text text = text_from_utf16_exact(charset_decode(data.view(), from));
    return ByteArray(charset_encode(text_to_utf16_exact(text), to));
}

} // namespace fenrow
