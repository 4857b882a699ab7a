#include "ops/blank_lines.h"

#include "ops/control_names.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

namespace {

// One line break off each end.
std::string_view trim_line_breaks(std::string_view s, bool start = true, bool end = true)
{
    if (start && s.substr(0, 2) == crlf)
        s.remove_prefix(2);
    if (end && s.size() >= 2 && s.substr(s.size() - 2) == crlf)
        s.remove_suffix(2);
    return s;
}

// What \s matches without Unicode rules: space, tab, LF, VT, FF and CR.
bool blank(char b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

// The next run the expression deletes, from `from` on: its LF and the place
// behind its last CR; {npos, npos} when there is none. The expression's work
// done on the bytes: every byte \s matches is ASCII, and no ASCII byte up to
// 0x20 is ever part of a two- or four-byte character.
std::pair<std::size_t, std::size_t> next_blank_run(std::string_view s, std::size_t from)
{
    for (std::size_t i = from; i < s.size();) {
        const void* hit = std::memchr(s.data() + i, '\n', s.size() - i);
        if (hit == nullptr)
            break;
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        std::size_t end = lf + 1, last_cr = 0;
        for (; end < s.size() && blank(s[end]); ++end) {
            if (s[end] == '\r')
                last_cr = end;
        }
        if (last_cr != 0)
            return {lf, last_cr + 1};
        i = end; // no CR behind it: nor behind any LF of the same run
    }
    return {std::string_view::npos, std::string_view::npos};
}

} // namespace

void for_each_kept_part(std::string_view whole, const std::function<void(std::string_view)>& f, bool cut_start,
                        bool cut_end)
{
    const std::string_view s = trim_line_breaks(whole, cut_start, cut_end);
    std::size_t kept = 0;
    for (auto run = next_blank_run(s, 0); run.first != std::string_view::npos; run = next_blank_run(s, run.second)) {
        f(s.substr(kept, run.first - kept));
        kept = run.second;
    }
    f(s.substr(kept));
}

Text remove_blank_lines(const Text& t)
{
    std::string out;
    out.reserve(t.view().size());
    for_each_kept_part(t.view(), [&](std::string_view part) { out += part; });
    return Text(std::move(out));
}

// The same in the text's own bytes: what is kept only ever moves towards the front.
Text remove_blank_lines(Text&& t, bool keep_end)
{
    const std::string_view whole = t.view();
    if (!whole.starts_with(crlf) && (keep_end || !whole.ends_with(crlf)) && !holds_blank_lines(whole))
        return std::move(t); // nothing to cut: not even moved
    std::string bytes = t.take();
    std::size_t to = 0;
    for_each_kept_part(bytes, [&](std::string_view part) {
        std::memmove(bytes.data() + to, part.data(), part.size());
        to += part.size();
    }, true, !keep_end);
    bytes.resize(to);
    return Text(std::move(bytes));
}

bool holds_blank_lines(std::string_view s) { return next_blank_run(s, 0).first != std::string_view::npos; }

} // namespace fenrow
