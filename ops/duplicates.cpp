#include "ops/duplicates.h"

#include "ops/control_names.h"
#include "runtime/files.h"
#include "runtime/line_chunks.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

// Often enough for a window to keep painting, rarely enough to cost nothing.
constexpr std::size_t lines_between_paints = 4096;

// Settings-file lookups skip these before they compare a section name.
std::string_view drop_leading_controls(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

// The part of the hash range a key belongs to: from its low bits, since a
// SpanSet places it by its high ones.
std::size_t part_of(std::uint32_t hash, std::size_t parts) { return ((hash & 0xFFFF) * parts) >> 16; }

// A key is seldom longer than half as much again as its line.
std::size_t key_room(std::size_t bytes) { return bytes + bytes / 2 + 16; }

struct RightChunk {
    std::string_view text;
    std::size_t room_at = 0; // its keys' place in the buffer they share
    std::vector<std::uint32_t> at, size, hash;
    std::vector<std::size_t> in_part;
    bool overflowed = false;
};

struct LeftChunk {
    ChunkLines lines;
    std::vector<std::uint8_t> picked;
    std::size_t bytes = 0; // the picked lines', each with its CR LF
};

// pick_missing on the pool: the right list's keys made in chunks into one
// buffer, a set for every part of the hash range filled by one thread each,
// the left lines looked up in chunks and the picked ones written in place.
// Empty when a key outgrew its room: the caller then picks on one thread.
std::optional<Text> pick_on(WorkPool& pool, std::string_view left, std::string_view right,
                            const std::function<void()>& paint)
{
    const auto between = [&paint] {
        if (paint)
            paint();
    };
    const std::size_t parts = pool.threads();
    std::vector<RightChunk> rights;
    std::size_t room = 0;
    for (const std::string_view c : crlf_chunks(right, chunk_count(&pool, right.size()))) {
        rights.emplace_back().text = c;
        rights.back().room_at = room;
        room += key_room(c.size());
    }
    const std::unique_ptr<char[]> keys = std::make_unique_for_overwrite<char[]>(room); // pages never written cost nothing
    pool.run(rights.size(), [&](std::size_t k) {
        RightChunk& c = rights[k];
        c.in_part.assign(parts, 0);
        std::size_t to = c.room_at;
        const std::size_t end = c.room_at + key_room(c.text.size());
        std::string key;
        for_each_crlf_piece(c.text, [&](std::string_view x) {
            if (c.overflowed || !holds_as_section_name(x))
                return;
            key.clear();
            append_name_key(key, x);
            if (key.size() > end - to) {
                c.overflowed = true;
                return;
            }
            std::memcpy(keys.get() + to, key.data(), key.size());
            c.at.push_back(static_cast<std::uint32_t>(to));
            c.size.push_back(static_cast<std::uint32_t>(key.size()));
            c.hash.push_back(SpanSet::hash(key));
            ++c.in_part[part_of(c.hash.back(), parts)];
            to += key.size();
        });
    }, between);
    for (const RightChunk& c : rights)
        if (c.overflowed)
            return std::nullopt;

    const std::string_view base(keys.get(), room);
    std::vector<SpanSet> present;
    for (std::size_t p = 0; p < parts; ++p) {
        std::size_t expected = 0;
        for (const RightChunk& c : rights)
            expected += c.in_part[p];
        present.emplace_back(base, expected);
    }
    pool.run(parts, [&](std::size_t p) {
        for (const RightChunk& c : rights)
            for (std::size_t i = 0; i < c.hash.size(); ++i)
                if (part_of(c.hash[i], parts) == p)
                    present[p].insert(base.substr(c.at[i], c.size[i]), c.hash[i]);
    }, between);

    std::vector<LeftChunk> lefts;
    for (const std::string_view c : crlf_chunks(left, chunk_count(&pool, left.size())))
        lefts.emplace_back().lines.text = c;
    pool.run(lefts.size(), [&](std::size_t k) {
        LeftChunk& c = lefts[k];
        c.lines = chunk_lines(c.lines.text);
        c.picked.assign(c.lines.count(), 1);
        std::string key;
        for (std::size_t i = 0; i < c.lines.count(); ++i) {
            const std::string_view line = c.lines.line(i), name = drop_leading_controls(line);
            if (!name.empty()) {
                key.clear();
                append_name_key(key, name);
                const std::uint32_t h = SpanSet::hash(key);
                c.picked[i] = !present[part_of(h, parts)].contains(key, h);
            }
            if (c.picked[i])
                c.bytes += line.size() + 2;
        }
    }, between);
    std::vector<std::size_t> at{0};
    for (const LeftChunk& c : lefts)
        at.push_back(at.back() + c.bytes);
    std::string result;
    grow_and_write(result, at.back(), [&](char* start) {
        pool.run(lefts.size(), [&](std::size_t k) {
            char* to = start + at[k];
            for (std::size_t i = 0; i < lefts[k].lines.count(); ++i) {
                if (!lefts[k].picked[i])
                    continue;
                const std::string_view line = lefts[k].lines.line(i);
                std::memcpy(to, line.data(), line.size());
                std::memcpy(to + line.size(), "\r\n", 2);
                to += line.size() + 2;
            }
        });
    });
    return Text(std::move(result));
}

} // namespace

bool holds_as_section_name(std::string_view s)
{
    const auto line_break = [](unsigned char b) { return b == '\r' || b == '\n'; };
    bool blank_only = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (line_break(b))
            return false;
        if (b != ' ' && b != '\t')
            blank_only = false;
        // Written as [line], a lead byte in the last place would take the ']'
        // as its second byte.
        if (b > 0x80 && (++i == s.size() || line_break(static_cast<unsigned char>(s[i]))))
            return false;
    }
    return !blank_only;
}

Text pick_missing(std::string_view left, std::string_view right, const std::function<void()>& paint, WorkPool* pool)
{
    if (pool != nullptr && chunk_count(pool, left.size() + right.size()) > 1 && right.size() < (std::size_t{1} << 31)) {
        if (std::optional<Text> picked = pick_on(*pool, left, right, paint))
            return std::move(*picked);
    }
    std::size_t done = 0;
    const std::function<void()> paint_now_and_then = [&] {
        if (++done % lines_between_paints == 0 && paint)
            paint();
    };
    const MissingLines missing(right, paint_now_and_then);
    std::string result;
    result.reserve(left.size() + left.size() / 8 + 2);
    done = 0;
    missing.pick(left, result, paint_now_and_then);
    return Text(std::move(result));
}

// The right lines as the sections a settings file would hold: the same name
// keys, and only lines it could store. The keys lie end to end in one buffer,
// with room enough that it should never have to move.
MissingLines::MissingLines(std::string_view right, const std::function<void()>& each_line)
    : present_(keys_, rough_line_count(right))
{
    keys_.reserve(right.size() + right.size() / 2 + 1);
    present_.rebase(keys_);
    for_each_crlf_piece(right, [&](std::string_view x) {
        if (holds_as_section_name(x)) {
            const std::size_t at = keys_.size();
            const char* const before = keys_.data();
            append_name_key(keys_, x);
            if (keys_.data() != before)
                present_.rebase(keys_);
            present_.insert(std::string_view(keys_).substr(at));
        }
        if (each_line)
            each_line();
    });
}

// Each left line is looked up a few lines after its key was made and its slot
// asked for, so that the set's memory is read meanwhile.
void MissingLines::pick(std::string_view left, std::string& out, const std::function<void()>& each_line) const
{
    struct Pending {
        std::string_view line;
        std::string key;
        std::uint32_t hash = 0;
        bool named = false;
    };
    constexpr std::size_t ahead = 8;
    Pending pending[ahead];
    const auto settle = [&](const Pending& p) {
        if (!p.named || !present_.contains(p.key, p.hash)) {
            out += p.line;
            out += crlf;
        }
    };
    std::size_t done = 0;
    for_each_crlf_piece(left, [&](std::string_view y) {
        Pending& p = pending[done % ahead];
        if (done >= ahead)
            settle(p);
        const std::string_view name = drop_leading_controls(y);
        p.line = y;
        p.named = !name.empty();
        if (p.named) {
            p.key.clear();
            append_name_key(p.key, name);
            p.hash = SpanSet::hash(p.key);
            present_.prefetch(p.hash);
        }
        ++done;
        if (each_line)
            each_line();
    });
    for (std::size_t i = done > ahead ? done - ahead : 0; i < done; ++i)
        settle(pending[i % ahead]);
}

} // namespace fenrow
