#include "runtime/line_chunks.h"

#include "runtime/string_fill.h"
#include "runtime/text_routines.h"

#include <cstring>
#include <string>

namespace fenrow {

ChunkLines chunk_lines(std::string_view chunk)
{
    ChunkLines c{chunk, {}};
    c.starts.reserve(rough_line_count(chunk) + 1);
    const std::size_t rest = for_each_ended_crlf_piece(chunk, [&](std::string_view piece) {
        c.starts.push_back(static_cast<std::uint32_t>(piece.data() - chunk.data()));
    });
    if (rest < chunk.size())
        c.starts.push_back(static_cast<std::uint32_t>(rest));
    if (!c.starts.empty())
        c.starts.push_back(static_cast<std::uint32_t>(rest < chunk.size() ? chunk.size() + 2 : chunk.size()));
    return c;
}

namespace {

// The part of the hash range a line belongs to: from its low bits, since a
// SpanSet places it by its high ones.
std::size_t part_of(std::uint32_t hash, std::size_t parts) { return ((hash & 0xFFFF) * parts) >> 16; }

struct HashedChunk : ChunkLines {
    std::vector<std::uint32_t> hashes;
    std::vector<std::uint8_t> kept;
    std::vector<std::size_t> in_part; // lines per part of the hash range
    std::size_t kept_bytes = 0;       // each with its CR LF
};

// Fills one part's set with its lines, chunk after chunk, and marks the first
// occurrences. Each slot is asked for a few lines ahead of its turn.
void keep_first_of_part(std::vector<HashedChunk>& chunks, std::string_view whole, std::size_t part, std::size_t parts)
{
    std::size_t expected = 0;
    for (const HashedChunk& c : chunks)
        expected += c.in_part[part];
    SpanSet seen(whole, expected);
    struct Waiting {
        HashedChunk* chunk;
        std::size_t line;
        std::uint32_t hash;
    };
    constexpr std::size_t ahead = 8;
    Waiting waiting[ahead];
    std::size_t n = 0;
    const auto settle = [&](const Waiting& w) {
        if (seen.insert(w.chunk->line(w.line), w.hash))
            w.chunk->kept[w.line] = 1;
    };
    for (HashedChunk& c : chunks) {
        for (std::size_t i = 0; i < c.hashes.size(); ++i) {
            const std::uint32_t h = c.hashes[i];
            if (part_of(h, parts) != part)
                continue;
            seen.prefetch(h);
            Waiting& w = waiting[n++ % ahead];
            if (n > ahead)
                settle(w);
            w = {&c, i, h};
        }
    }
    for (std::size_t i = n > ahead ? n - ahead : 0; i < n; ++i)
        settle(waiting[i % ahead]);
}

} // namespace

Text remove_duplicate_lines_on(WorkPool& pool, std::string_view t, std::size_t chunk_count)
{
    const std::vector<std::string_view> texts = crlf_chunks(t, chunk_count);
    const std::size_t parts = pool.threads();
    std::vector<HashedChunk> chunks(texts.size());
    pool.run(chunks.size(), [&](std::size_t k) {
        HashedChunk& c = chunks[k];
        static_cast<ChunkLines&>(c) = chunk_lines(texts[k]);
        c.hashes.resize(c.count());
        c.kept.assign(c.count(), 0);
        c.in_part.assign(parts, 0);
        for (std::size_t i = 0; i < c.count(); ++i) {
            c.hashes[i] = SpanSet::hash(c.line(i));
            ++c.in_part[part_of(c.hashes[i], parts)];
        }
    });
    pool.run(parts, [&](std::size_t part) { keep_first_of_part(chunks, t, part, parts); });
    pool.run(chunks.size(), [&](std::size_t k) {
        HashedChunk& c = chunks[k];
        for (std::size_t i = 0; i < c.count(); ++i)
            if (c.kept[i])
                c.kept_bytes += c.starts[i + 1] - c.starts[i];
    });
    std::vector<std::size_t> at(chunks.size() + 1, 0);
    for (std::size_t k = 0; k < chunks.size(); ++k)
        at[k + 1] = at[k] + chunks[k].kept_bytes;
    if (at.back() <= 2) // nothing, or one empty line: no text
        return Text();
    std::string result;
    grow_and_write(result, at.back(), [&](char* start) {
        pool.run(chunks.size(), [&](std::size_t k) {
            const HashedChunk& c = chunks[k];
            char* to = start + at[k];
            for (std::size_t i = 0; i < c.count(); ++i) {
                if (!c.kept[i])
                    continue;
                const std::string_view line = c.line(i);
                std::memcpy(to, line.data(), line.size());
                to[line.size()] = '\r';
                to[line.size() + 1] = '\n';
                to += line.size() + 2;
            }
        });
    });
    result.resize(result.size() - 2); // no separator behind the last
    return Text(std::move(result));
}

} // namespace fenrow
