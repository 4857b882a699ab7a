#include "app/qt/qt_text.h"

#include "app/box_text.h"
#include "runtime/codepage.h"

#include <string_view>

namespace fenrow {

QString to_box(const Text& t) { return QString::fromStdU16String(text_to_box(t)); }

Text from_box(const QString& s)
{
    return text_from_box(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())));
}

Text from_pasted(const QString& s)
{
    QString lines = crlf_to_lf(s);
    for (const QChar end : {QChar(u'\r'), QChar(QChar::ParagraphSeparator), QChar(0xFDD0), QChar(0xFDD1)})
        lines.replace(end, QLatin1Char('\n'));
    return from_box(lines);
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
