#include "app/qt/qt_text.h"

#include "app/box_text.h"
#include "runtime/codepage.h"
#include "runtime/progress.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Four units, all plain ASCII that ends no line: 0x0E … 0x7F (a tab, rare in
// lists, takes the slow way).
bool four_plain(const char16_t* at)
{
    std::uint64_t x;
    std::memcpy(&x, at, sizeof x);
    constexpr std::uint64_t high = 0xFF80FF80FF80FF80ull, top = 0x8000800080008000ull;
    return (x & high) == 0 && ((x + 0x7FF27FF27FF27FF2ull) & top) == top;
}

bool plain(char16_t c) { return c < 0x80 && c != 0 && !ends_line(c); }

} // namespace

Text from_pasted(const QString& s)
{
    // One pass into one buffer: plain ASCII goes straight across, four units
    // at a time where it can, the rest a run at a time through the exact
    // conversion.
    const auto* p = reinterpret_cast<const char16_t*>(s.utf16());
    const auto n = static_cast<std::size_t>(s.size());
    std::string out(n + n / 8 + 16, '\0');
    std::size_t used = 0;
    const auto room = [&](std::size_t more) {
        if (used + more > out.size())
            out.resize(std::max(out.size() * 3 / 2, used + more));
        return out.data() + used;
    };
    const auto put = [&](std::string_view bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
        used += bytes.size();
    };
    std::size_t next_checkpoint = 0;
    for (std::size_t i = 0; i < n;) {
        if (i >= next_checkpoint) { // a long paste shows its progress and stops where the user asks
            checkpoint(static_cast<double>(i) / static_cast<double>(n));
            next_checkpoint = i + (std::size_t{1} << 20);
        }
        std::size_t j = i;
        for (;;) {
            if (j + 4 <= n && four_plain(p + j))
                j += 4;
            else if (j < n && plain(p[j]))
                ++j;
            else
                break;
        }
        char* o = room(j - i);
        for (std::size_t k = i; k < j; ++k)
            *o++ = static_cast<char>(p[k]);
        used += j - i;
        i = j;
        if (i == n)
            break;
        if (ends_line(p[i])) {
            put("\r\n");
            i += p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n' ? 2 : 1;
        } else if (p[i] == 0) {
            ++i; // no text of the system holds it; the rest of the line is kept
        } else {
            while (j < n && p[j] >= 0x80 && !ends_line(p[j]))
                ++j;
            put(text_from_utf16_exact(std::u16string_view(p + i, j - i)).view());
            i = j;
        }
    }
    out.resize(used);
    Text t;
    t.edit([&out](std::string& bytes) { bytes = std::move(out); }); // no zero byte: none went in
    return t;
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
