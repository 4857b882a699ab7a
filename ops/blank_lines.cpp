#include "ops/blank_lines.h"

#include "ops/control_names.h"
#include "runtime/byte_scan.h"
#include "runtime/string_fill.h"
#include "runtime/work_pool.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    if (from >= s.size())
        return {std::string_view::npos, std::string_view::npos};
    std::size_t i = from, run_end = 0;
    const std::size_t lf = for_each_byte(s.substr(from), '\n', [&](std::size_t at) {
        if (from + at < i)
            return true; // inside a run already looked at
        std::size_t end = from + at + 1, last_cr = 0;
        for (; end < s.size() && blank(s[end]); ++end) {
            if (s[end] == '\r')
                last_cr = end;
        }
        if (last_cr != 0) {
            run_end = last_cr + 1;
            return false;
        }
        i = end; // no CR behind it: nor behind any LF of the same run
        return true;
    });
    if (lf == std::string_view::npos)
        return {std::string_view::npos, std::string_view::npos};
    return {from + lf, run_end};
}

// The text cut into at most `parts` chunks, each but the last ending just
// behind an LF that a byte other than a blank follows: no run to remove
// reaches across such a place, nor does the search for one.
std::vector<std::string_view> blank_safe_chunks(std::string_view s, std::size_t parts)
{
    std::vector<std::string_view> chunks;
    std::size_t begin = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        std::size_t from = std::max(begin, s.size() / parts * k), cut = std::string_view::npos;
        while (from < s.size()) {
            const void* hit = std::memchr(s.data() + from, '\n', s.size() - from);
            if (hit == nullptr)
                break;
            from = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) + 1;
            if (from < s.size() && !blank(s[from])) {
                cut = from;
                break;
            }
        }
        if (cut == std::string_view::npos)
            break;
        chunks.push_back(s.substr(begin, cut - begin));
        begin = cut;
    }
    chunks.push_back(s.substr(begin));
    return chunks;
}

} // namespace

std::optional<Text> remove_blank_lines_anew(std::string_view s, WorkPool* pool, std::size_t min_chunk_bytes)
{
    if (!s.starts_with(crlf) && !s.ends_with(crlf) && !holds_blank_lines(s, pool, min_chunk_bytes))
        return std::nullopt;
    const std::vector<std::string_view> chunks = blank_safe_chunks(s, chunk_count(pool, s.size(), min_chunk_bytes));
    struct Kept {
        std::vector<std::string_view> parts;
        std::size_t bytes = 0;
    };
    std::vector<Kept> kept(chunks.size());
    run_tasks(pool, chunks.size(), [&](std::size_t k) {
        // Only the text's own ends lose a line break.
        for_each_kept_part(chunks[k], [&](std::string_view part) {
            kept[k].parts.push_back(part);
            kept[k].bytes += part.size();
        }, k == 0, k + 1 == chunks.size());
    });
    std::vector<std::size_t> at{0};
    for (const Kept& c : kept)
        at.push_back(at.back() + c.bytes);
    std::string out;
    grow_and_write(out, at.back(), [&](char* start) {
        run_tasks(pool, kept.size(), [&](std::size_t k) {
            char* to = start + at[k];
            for (const std::string_view part : kept[k].parts) {
                std::memcpy(to, part.data(), part.size());
                to += part.size();
            }
        });
    });
    return Text(std::move(out));
}

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

bool holds_blank_lines(std::string_view s, WorkPool* pool, std::size_t min_chunk_bytes)
{
    const std::vector<std::string_view> chunks = blank_safe_chunks(s, chunk_count(pool, s.size(), min_chunk_bytes));
    std::atomic<bool> found = false;
    run_tasks(pool, chunks.size(), [&](std::size_t k) {
        if (!found && holds_blank_lines(chunks[k]))
            found = true;
    });
    return found;
}

} // namespace fenrow
