#include "app/box_text.h"

#include "runtime/codepage.h"

namespace fenrow {

namespace {

bool box_alters(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

void append_raw(std::u16string& out, char16_t c)
{
    if (c == u'\r' || c == u'\n') {
        out.push_back(static_cast<char16_t>(0xDC00 + c));
        return;
    }
    const Text bytes = unicode_to_cp936(std::u32string(1, c));
    for (unsigned char b : bytes.view())
        out.push_back(static_cast<char16_t>(0xDC00 + b));
}

void append_line(std::u16string& out, std::string_view bytes)
{
    const std::u16string u = text_to_utf16_exact(Text(bytes));
    for (char16_t c : u) {
        if (box_alters(c))
            append_raw(out, c);
        else
            out.push_back(c);
    }
}

} // namespace

std::u16string text_to_box(const Text& t)
{
    const std::string_view s = t.view();
    std::u16string out;
    out.reserve(s.size());
    std::size_t start = 0;
    for (;;) {
        const std::size_t crlf = s.find("\r\n", start);
        append_line(out, s.substr(start, crlf == std::string_view::npos ? std::string_view::npos : crlf - start));
        if (crlf == std::string_view::npos)
            return out;
        out.push_back(u'\n');
        start = crlf + 2;
    }
}

Text text_from_box(std::u16string_view s)
{
    Text out;
    out.reserve(s.size() + s.size() / 8);
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < s.size() && s[end] != u'\n' && s[end] != 0x2029 && s[end] != 0)
            ++end;
        out += text_from_utf16_exact(s.substr(start, end - start));
        if (end == s.size())
            return out;
        // A zero character (pasted from elsewhere) is left out; the system's
        // text would otherwise end there and the rest of the line be lost.
        if (s[end] != 0)
            out += "\r\n";
        start = end + 1;
    }
}

} // namespace fenrow
