#include "app/qt/qt_text.h"

#include "app/box_text.h"
#include "runtime/codepage.h"

#include <string>
#include <string_view>

namespace fenrow {

QString to_box(const Text& t) { return QString::fromStdU16String(text_to_box(t)); }

Text from_box(const QString& s)
{
    return text_from_box(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())));
}

namespace {

bool ends_line(char16_t c) { return c == u'\r' || c == u'\n' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1; }

} // namespace

Text from_pasted(const QString& s)
{
    // One pass: plain ASCII goes straight across, the rest a run at a time
    // through the exact conversion.
    const auto* p = reinterpret_cast<const char16_t*>(s.utf16());
    const auto n = static_cast<std::size_t>(s.size());
    std::string out;
    out.reserve(n + n / 8);
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i;
        while (j < n && p[j] < 0x80 && p[j] != 0 && !ends_line(p[j]))
            ++j;
        for (; i < j; ++i)
            out.push_back(static_cast<char>(p[i]));
        if (i == n)
            break;
        if (ends_line(p[i])) {
            out += "\r\n";
            i += p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n' ? 2 : 1;
        } else if (p[i] == 0) {
            ++i; // no text of the system holds it; the rest of the line is kept
        } else {
            while (j < n && p[j] >= 0x80 && !ends_line(p[j]))
                ++j;
            out += text_from_utf16_exact(std::u16string_view(p + i, j - i)).view();
            i = j;
        }
    }
    return Text(std::move(out));
}

QString to_qt(const Text& t) { return QString::fromStdU16String(text_to_utf16(t)); }

QString crlf_to_lf(const QString& s)
{
    QString out(s.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* from = s.constData();
    const QChar* const end = from + s.size();
    for (; from != end; ++from) {
        if (*from == u'\r' && from + 1 != end && from[1] == u'\n')
            continue;
        *to++ = *from;
    }
    out.truncate(to - out.constData());
    return out;
}

} // namespace fenrow
