#include "ops/add_suffix.h"

#include "ops/blank_lines.h"
#include "ops/control_names.h"
#include "runtime/codepage.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>
#include <string>
#include <string_view>

namespace fenrow {

namespace {

// Calls f with each account line of the list: blank lines do not count as
// accounts; those remove_blank_lines keeps at the ends (a run of them at the
// top, or of spaces only) are dropped as well.
template <typename F>
void for_each_account(std::string_view list, F&& f, bool first_chunk = true, bool last_chunk = true)
{
    const auto account = [&](std::string_view line) {
        if (line.find_first_not_of(" \t\n\v\f\r") != std::string_view::npos)
            f(line);
    };
    // The cleaned list's lines without the cleaned list: read through its parts.
    CrlfPieceStream lines;
    for_each_kept_part(list, [&](std::string_view part) { lines.feed(part, account); }, first_chunk, last_chunk);
    lines.finish(account);
}

// A place to cut the list for the pool: behind a CR LF that the cleaning
// leaves as it is and that ends a piece wherever the cut falls, an ASCII
// byte other than a blank before it and a byte other than a blank behind it,
// so that no blank run reaches across and the lines on either side are cut
// the same.
std::size_t safe_cut(std::string_view s, std::size_t from)
{
    const auto blank = [](char b) { return b == ' ' || (b >= '\t' && b <= '\r'); };
    for (std::size_t p = std::max<std::size_t>(from, 1); p + 2 < s.size(); ++p) {
        p = s.find("\r\n", p);
        if (p == std::string_view::npos || p + 2 >= s.size())
            break;
        const auto before = static_cast<unsigned char>(s[p - 1]);
        if (p > 0 && before > 0x20 && before <= 0x80 && !blank(s[p + 2]))
            return p + 2;
    }
    return std::string_view::npos;
}

struct MarkChunk {
    std::string_view text;
    bool first = false, last = false;
    std::int64_t accounts_before = 0, accounts = 0;
    std::size_t bytes = 0; // the marked lines', each with its CR LF
};

// Marks one chunk's accounts, as the serial walk would from its place on:
// put gets every piece of the result in order.
template <typename Put>
void mark_chunk(const MarkChunk& c, const MarkOptions& o, Put&& put)
{
    const double n = o.group;
    std::int64_t i = c.accounts_before;
    // The group number the serial walk would have reached: the first account
    // is marked, then every n-th after it when n is 1 or more.
    double k = 1 + (i == 0 ? 0 : o.group >= 1 ? static_cast<double>((i - 1) / o.group + 1) : 1);
    char digits[24];
    for_each_account(c.text, [&](std::string_view line) {
        ++i;
        put(line);
        if (o.mode == MarkMode::first) {
            if (static_cast<double>(i) == std::trunc(n * k - (n - 1))) {
                put(o.symbol.view());
                put(std::string_view(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k)).ptr));
                k += 1;
            }
        } else if (o.group != 0 && i % static_cast<int64_t>(o.group) == 0) {
            put(o.symbol.view());
            put(txt_from_double(static_cast<double>(i) / n).view());
        }
        put(crlf);
    }, c.first, c.last);
}

Text mark_on(WorkPool& pool, std::string_view list, const MarkOptions& o, std::size_t parts)
{
    std::vector<MarkChunk> chunks;
    std::size_t begin = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        const std::size_t end = safe_cut(list, std::max(begin, list.size() / parts * k));
        if (end == std::string_view::npos)
            break;
        chunks.emplace_back().text = list.substr(begin, end - begin);
        begin = end;
    }
    chunks.emplace_back().text = list.substr(begin);
    chunks.front().first = chunks.back().last = true;
    pool.run(chunks.size(), [&](std::size_t k) { for_each_account(chunks[k].text, [&](std::string_view) { ++chunks[k].accounts; }, chunks[k].first, chunks[k].last); });
    for (std::size_t k = 1; k < chunks.size(); ++k)
        chunks[k].accounts_before = chunks[k - 1].accounts_before + chunks[k - 1].accounts;
    pool.run(chunks.size(), [&](std::size_t k) { mark_chunk(chunks[k], o, [&](std::string_view s) { chunks[k].bytes += s.size(); }); });
    std::vector<std::size_t> at{0};
    for (const MarkChunk& c : chunks)
        at.push_back(at.back() + c.bytes);
    std::string r;
    grow_and_write(r, at.back(), [&](char* start) {
        pool.run(chunks.size(), [&](std::size_t k) {
            char* to = start + at[k];
            mark_chunk(chunks[k], o, [&](std::string_view s) {
                std::memcpy(to, s.data(), s.size());
                to += s.size();
            });
        });
    });
    return remove_blank_lines(Text(std::move(r)));
}

} // namespace

Text add_suffix_notice() { return "正在添加，请稍等……"_t + crlf + "后缀添加完毕才会显示！"_t; }

Text mark_groups(const Text& list, MarkOptions o, const MarkRereads& rereads, WorkPool* pool)
{
    // Three walks over the list where one thread takes one: worth it from four threads on.
    const std::size_t parts = pool != nullptr && pool->threads() >= 4 ? chunk_count(pool, list.view().size()) : 1;
    if (parts > 1 && o.mode != MarkMode::none) {
        if (rereads.read)
            rereads.read(o);
        return mark_on(*pool, list.view(), o, parts);
    }
    std::string r;
    if (o.mode != MarkMode::none) {
        r.reserve(list.view().size() + list.view().size() / 4);
        double k = 1; // the next group number, first-account mode
        int i = 0;
        for_each_account(list.view(), [&](std::string_view line) {
            if (i++ % rereads.lines == 0 && rereads.read)
                rereads.read(o);
            const double n = o.group;
            r += line;
            if (o.mode == MarkMode::first) {
                if (i == std::trunc(n * k - (n - 1))) {
                    r += o.symbol.view();
                    char digits[16];
                    r.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k)).ptr);
                    k += 1;
                }
            } else if (o.group != 0 && i % static_cast<int64_t>(o.group) == 0) {
                r += o.symbol.view();
                r += txt_from_double(i / n).view();
            }
            r += crlf;
        });
    }
    return remove_blank_lines(Text(std::move(r)));
}

bool GroupMarks::is_account(std::string_view line) { return line.find_first_not_of(" \t\n\v\f\r") != std::string_view::npos; }

void GroupMarks::add(std::string_view line, std::string& r)
{
    if (o_.mode == MarkMode::none)
        return;
    ++i_;
    const double n = o_.group;
    r += line;
    if (o_.mode == MarkMode::first) {
        if (i_ == std::trunc(n * k_ - (n - 1))) {
            r += o_.symbol.view();
            char digits[16];
            r.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k_)).ptr);
            k_ += 1;
        }
    } else if (o_.group != 0 && i_ % static_cast<int64_t>(o_.group) == 0) {
        r += o_.symbol.view();
        r += txt_from_double(i_ / n).view();
    }
    r += crlf;
}

} // namespace fenrow
