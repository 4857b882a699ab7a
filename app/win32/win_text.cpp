#include "app/win32/win_text.h"

#include "app/box_text.h"
#include "runtime/codepage.h"

namespace fenrow {

namespace {
std::wstring wide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }
} // namespace

std::wstring to_wide(const Text& t) { return wide(text_to_utf16(t)); }

Text from_wide(std::wstring_view s)
{
    return text_from_utf16(std::u16string(s.begin(), s.end()));
}

std::wstring to_edit(const Text& t)
{
    const std::u16string lines = text_to_box(t); // '\n' for each CR LF
    std::wstring out;
    out.reserve(lines.size() + lines.size() / 16);
    for (const char16_t c : lines) {
        if (c == u'\n')
            out += L"\r\n";
        else
            out += static_cast<wchar_t>(c);
    }
    return out;
}

Text from_edit(std::wstring_view s)
{
    std::u16string lines;
    lines.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (c == L'\r') {
            if (i + 1 < s.size() && s[i + 1] == L'\n')
                ++i;
            lines += u'\n';
        } else {
            lines += static_cast<char16_t>(c);
        }
    }
    return text_from_box(lines);
}

std::wstring pasted_lines(std::wstring_view s)
{
    std::wstring out;
    out.reserve(s.size() + s.size() / 16);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n')
                ++i;
            out += L"\r\n";
        } else if (c != 0) {
            out += c;
        }
    }
    return out;
}

Text pasted_text(std::wstring_view s)
{
    const auto* u = reinterpret_cast<const char16_t*>(s.data());
    Text out;
    // The runs between the characters that change are converted whole; CR LF stays as it is.
    const auto convert = [&](std::size_t from, std::size_t to) {
        if (from == to)
            return;
        Text run = text_from_utf16_exact(std::u16string_view(u + from, to - from));
        if (out.empty())
            out = std::move(run);
        else
            out += run;
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (c == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n') {
            ++i;
            continue;
        }
        if (c != L'\r' && c != L'\n' && c != 0 && c != 0x2029)
            continue;
        convert(start, i);
        if (c != 0) // a lone CR or LF, or a paragraph separator, ends a line
            out += "\r\n";
        start = i + 1;
    }
    convert(start, s.size());
    return out;
}

} // namespace fenrow
