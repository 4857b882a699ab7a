#include "app/win32/win_text.h"

#include "app/box_text.h"
#include "runtime/codepage.h"
#include "runtime/progress.h"
#include "runtime/sse2.h"
#include "runtime/string_fill.h"
#include "runtime/work_pool.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

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

namespace {

// One stretch of clipboard text, ending at a line feed or the clipboard's end,
// walked twice: once to count its bytes, once to write them in their place in
// the whole text. The few non-ASCII characters are converted once each and
// kept by their code unit, so that neither walk allocates.
class PasteStretch {
public:
    explicit PasteStretch(std::wstring_view s) : s_(s), known_(0x10000, 0) {}

    std::size_t count()
    {
        std::size_t n = 0;
        walk([&n](const char*, std::size_t k) { n += k; });
        return n;
    }
    void write(char* to)
    {
        walk([&to](const char* b, std::size_t k) {
            if (k == 8) { // a fixed size is copied inline, not through a call
                std::memcpy(to, b, 8);
                to += 8;
                return;
            }
            for (std::size_t j = 0; j < k; ++j)
                *to++ = b[j];
        });
    }

private:
    // What text_from_utf16_exact gives for these units (no zero among them).
    static void convert(std::u16string_view u, std::string& out) { out = text_from_utf16_exact(u).str(); }

    // Gives emit the bytes of each unit (or surrogate pair) in turn; every line
    // break CR LF, zero characters left out.
    template <typename Emit>
    FENROW_SSE2 void walk(Emit&& emit)
    {
        const std::size_t n = s_.size();
        const __m128i space = _mm_set1_epi16(0x1F), del = _mm_set1_epi16(0x80);
        for (std::size_t i = 0; i < n; ++i) {
            // Eight printable ASCII units at once: most of a list.
            while (i + 8 <= n) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s_.data() + i));
                if (_mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi16(v, space), _mm_cmplt_epi16(v, del))) != 0xFFFF)
                    break;
                char b[16];
                _mm_storeu_si128(reinterpret_cast<__m128i*>(b), _mm_packus_epi16(v, v));
                emit(b, 8);
                i += 8;
            }
            if (i == n)
                break;
            const char16_t c = static_cast<char16_t>(s_[i]);
            if (c >= 0x20 && c < 0x80) {
                const char b = static_cast<char>(c);
                emit(&b, 1);
            } else if (c == u'\r' || c == u'\n' || c == 0x2029) { // a lone CR or LF, or a paragraph separator, ends a line
                if (c == u'\r' && i + 1 < n && s_[i + 1] == L'\n')
                    ++i;
                emit("\r\n", 2);
            } else if (c == 0) {
                continue;
            } else if (c >= 0xD800 && c <= 0xDFFF) { // pairs and lone halves: rare, converted as they come
                const bool pair = c <= 0xDBFF && i + 1 < n && s_[i + 1] >= 0xDC00 && s_[i + 1] <= 0xDFFF;
                const char16_t units[2] = {c, static_cast<char16_t>(pair ? s_[i + 1] : 0)};
                convert(std::u16string_view(units, pair ? 2 : 1), rare_);
                emit(rare_.data(), rare_.size());
                i += pair ? 1 : 0;
            } else {
                std::uint64_t& k = known_[c]; // the bytes, and their count above them
                if (k == 0) {
                    convert(std::u16string_view(&c, 1), rare_);
                    for (const char b : rare_)
                        k = k << 8 | static_cast<unsigned char>(b);
                    k |= std::uint64_t{rare_.size()} << 32;
                }
                const std::size_t len = static_cast<std::size_t>(k >> 32);
                char b[4];
                for (std::size_t j = 0; j < len; ++j)
                    b[j] = static_cast<char>(k >> (8 * (len - 1 - j)));
                emit(b, len);
            }
        }
    }

    std::wstring_view s_;
    std::vector<std::uint64_t> known_;
    std::string rare_;
};

} // namespace

Text pasted_text(std::wstring_view s, WorkPool* pool)
{
    // Stretches cut just behind line feeds convert alone to what the whole converts to.
    const std::size_t parts = chunk_count(pool, s.size() * sizeof(wchar_t));
    std::vector<std::size_t> cuts{0};
    for (std::size_t k = 1; k < parts; ++k) {
        const std::size_t lf = s.find(L'\n', std::max(cuts.back(), s.size() / parts * k));
        if (lf == std::wstring_view::npos)
            break;
        if (lf + 1 > cuts.back())
            cuts.push_back(lf + 1);
    }
    cuts.push_back(s.size());
    std::vector<PasteStretch> stretches;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
        stretches.emplace_back(s.substr(cuts[i], cuts[i + 1] - cuts[i]));
    std::vector<std::size_t> at(stretches.size() + 1, 0);
    {
        const ProgressPhase counting(0, 0.4); // the pool's runs report and stop a long paste
        run_tasks(pool, stretches.size(), [&](std::size_t i) { at[i + 1] = stretches[i].count(); });
    }
    for (std::size_t i = 0; i < stretches.size(); ++i)
        at[i + 1] += at[i];
    // The text is written once, where it stays: no copy of it is made or cleared first.
    std::string out;
    const ProgressPhase writing(0.4, 1);
    grow_and_write(out, at.back(), [&](char* place) {
        run_tasks(pool, stretches.size(), [&](std::size_t i) { stretches[i].write(place + at[i]); });
    });
    return Text(std::move(out));
}

} // namespace fenrow
