#include "runtime/line_chunks.h"

#include "runtime/string_fill.h"
#include "runtime/text_routines.h"

#include <cstring>
#include <string>

namespace fenrow {

namespace {

// A line as its part of the hash range holds it: its number in the whole
// text and its hash.
struct Entry {
    std::uint32_t line;
    std::uint32_t hash;
};

constexpr std::size_t most_part_bits = 12;

struct HashedChunk : ChunkLines {
    std::vector<std::uint32_t> hashes;
    std::vector<std::size_t> in_part; // lines per part of the hash range
    std::size_t first_line = 0;       // its first line's number in the whole text
    std::size_t kept_bytes = 0;       // each with its CR LF

    std::size_t fine_bits = 0; // the cut of the hash range in_part counts by until count_parts

    HashedChunk() = default;
    // Its lines found and hashed in one pass over its bytes, counted by the
    // top fine_bits of their hashes.
    HashedChunk(std::string_view chunk, std::size_t bits)
        : ChunkLines{chunk, {}}, in_part(std::size_t{1} << bits, 0), fine_bits(bits)
    {
        const std::size_t rough = rough_line_count(chunk);
        starts.reserve(rough + 1);
        hashes.reserve(rough);
        const auto add = [&](std::string_view line) {
            starts.push_back(static_cast<std::uint32_t>(line.data() - chunk.data()));
            const std::uint32_t h = SpanSet::hash(line);
            hashes.push_back(h);
            ++in_part[fine_bits == 0 ? 0 : h >> (32 - fine_bits)];
        };
        const std::size_t rest = for_each_ended_crlf_piece(chunk, add);
        if (rest < chunk.size())
            add(chunk.substr(rest));
        if (!starts.empty())
            starts.push_back(static_cast<std::uint32_t>(rest < chunk.size() ? chunk.size() + 2 : chunk.size()));
    }
    // The counts for a coarser cut.
    void count_parts(std::size_t bits)
    {
        std::vector<std::size_t> coarse(std::size_t{1} << bits, 0);
        for (std::size_t i = 0; i < in_part.size(); ++i)
            coarse[i >> (fine_bits - bits)] += in_part[i];
        in_part = std::move(coarse);
    }
};

// The lines are cut by hash into parts small enough that each part's set
// stays in the processor's cache: a set for all of them at once makes every
// look-up a trip to memory, which prefetching does not hide.
constexpr std::size_t lines_per_part = 1 << 15;

std::size_t part_bits_for(std::size_t lines, unsigned threads)
{
    std::size_t bits = 0;
    while ((std::size_t{1} << bits) < 4 * std::size_t{threads} || (lines >> bits) > lines_per_part)
        ++bits;
    return std::min(bits, most_part_bits);
}

// The part from a hash's top bits, since the part's set places lines by its low ones.
std::size_t part_of(std::uint32_t hash, std::size_t bits) { return bits == 0 ? 0 : hash >> (32 - bits); }

// An open-addressed set of line numbers, kept by one thread for part after
// part: the line number plus one and the hash in each slot, 0 when free.
class PartSet {
public:
    // Empty, with room for n lines.
    void reset(std::size_t n)
    {
        std::size_t size = 16;
        while (size < n + n / 2)
            size *= 2;
        slots_.assign(size, 0);
        mask_ = size - 1;
    }
    // The line already in the set with the same hash, or -1 when e's line was
    // put in. Lines are not compared: the caller checks the lines met.
    std::int64_t meet(const Entry& e)
    {
        const std::uint64_t wanted = std::uint64_t{e.hash} << 32;
        for (std::size_t i = e.hash & mask_;; i = (i + 1) & mask_) {
            const std::uint64_t slot = slots_[i];
            if (slot == 0) {
                slots_[i] = wanted | (e.line + std::uint64_t{1});
                return -1;
            }
            if ((slot & ~std::uint64_t{0xFFFFFFFF}) == wanted)
                return static_cast<std::uint32_t>(slot) - 1;
        }
    }
    // As meet, the lines compared: true when no equal line was in the set yet.
    template <typename LineOf>
    bool insert(const Entry& e, const LineOf& line_of)
    {
        const std::uint64_t wanted = std::uint64_t{e.hash} << 32;
        for (std::size_t i = e.hash & mask_;; i = (i + 1) & mask_) {
            const std::uint64_t slot = slots_[i];
            if (slot == 0) {
                slots_[i] = wanted | (e.line + std::uint64_t{1});
                return true;
            }
            if ((slot & ~std::uint64_t{0xFFFFFFFF}) == wanted &&
                line_of(static_cast<std::uint32_t>(slot) - 1) == line_of(e.line))
                return false;
        }
    }

private:
    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
};

// Line n of the whole text.
const HashedChunk& chunk_of(const std::vector<HashedChunk>& chunks, std::uint32_t n)
{
    std::size_t k = chunks.size() - 1;
    while (chunks[k].first_line > n)
        --k;
    return chunks[k];
}

std::string_view line_of(const std::vector<HashedChunk>& chunks, std::uint32_t n)
{
    const HashedChunk& c = chunk_of(chunks, n);
    return c.line(n - c.first_line);
}

// A line and the earlier one its hash met.
struct Met {
    std::uint32_t line;
    std::uint32_t first;
};

// Whether every pair holds equal lines. Their places are asked for a few
// pairs ahead and their bytes a few pairs after that, so that the trips to
// memory overlap.
bool all_equal(const std::vector<Met>& met, const std::vector<HashedChunk>& chunks)
{
    constexpr std::size_t ahead = 8;
    const auto ask_places = [&](std::uint32_t n) {
        const HashedChunk& c = chunk_of(chunks, n);
        __builtin_prefetch(&c.starts[n - c.first_line]);
    };
    std::string_view lines[ahead][2];
    for (std::size_t i = 0; i < met.size() + 2 * ahead; ++i) {
        if (i < met.size()) {
            ask_places(met[i].line);
            ask_places(met[i].first);
        }
        if (i >= ahead && i - ahead < met.size()) {
            std::string_view* pair = lines[(i - ahead) % ahead];
            pair[0] = line_of(chunks, met[i - ahead].line);
            pair[1] = line_of(chunks, met[i - ahead].first);
            __builtin_prefetch(pair[0].data());
            __builtin_prefetch(pair[1].data());
        }
        if (i >= 2 * ahead) {
            const std::string_view* pair = lines[(i - 2 * ahead) % ahead];
            if (pair[0] != pair[1])
                return false;
        }
    }
    return true;
}

} // namespace

Text remove_duplicate_lines_on(WorkPool& pool, std::string_view t, std::size_t chunk_count)
{
    const std::vector<std::string_view> texts = crlf_chunks(t, chunk_count);
    // Counted by a cut at least as fine as the parts will be: a line takes
    // two bytes or more.
    const std::size_t fine_bits = part_bits_for(t.size() / 2 + 1, pool.threads());
    std::vector<HashedChunk> chunks(texts.size());
    pool.run(chunks.size(), [&](std::size_t k) { chunks[k] = HashedChunk(texts[k], fine_bits); });
    std::size_t lines = 0;
    for (HashedChunk& c : chunks) {
        c.first_line = lines;
        lines += c.count();
    }
    const std::size_t bits = part_bits_for(lines, pool.threads());
    const std::size_t parts = std::size_t{1} << bits;
    for (HashedChunk& c : chunks)
        c.count_parts(bits);

    // Each part's lines in the order of the text: the parts one after the
    // other, in each the chunks' lines one after the other.
    std::vector<std::size_t> part_start(parts + 1, 0);
    std::vector<std::vector<std::size_t>> write_at(chunks.size(), std::vector<std::size_t>(parts));
    for (std::size_t p = 0, at = 0; p < parts; ++p) {
        part_start[p] = at;
        for (std::size_t k = 0; k < chunks.size(); ++k) {
            write_at[k][p] = at;
            at += chunks[k].in_part[p];
        }
        part_start[p + 1] = at;
    }
    std::vector<Entry> entries(lines);
    pool.run(chunks.size(), [&](std::size_t k) {
        const HashedChunk& c = chunks[k];
        std::vector<std::size_t>& at = write_at[k];
        for (std::size_t i = 0; i < c.count(); ++i) {
            const std::uint32_t h = c.hashes[i];
            entries[at[part_of(h, bits)]++] = {static_cast<std::uint32_t>(c.first_line + i), h};
        }
    });

    // Lines met again, marked; a part's lines meet only each other. The lines
    // a hash meets are compared afterwards, many at once, as the bytes of
    // each pair lie far apart in memory; should one pair differ (two lines
    // with one hash), the part is done again comparing as it goes.
    std::vector<std::uint8_t> repeated(lines, 0);
    const std::size_t threads = std::min<std::size_t>(pool.threads(), parts);
    pool.run(threads, [&](std::size_t thread) {
        PartSet seen;
        std::vector<Met> met;
        for (std::size_t p = thread; p < parts; p += threads) {
            seen.reset(part_start[p + 1] - part_start[p]);
            met.clear();
            for (std::size_t e = part_start[p]; e < part_start[p + 1]; ++e)
                if (const std::int64_t first = seen.meet(entries[e]); first >= 0)
                    met.push_back({entries[e].line, static_cast<std::uint32_t>(first)});
            if (all_equal(met, chunks)) {
                for (const Met& m : met)
                    repeated[m.line] = 1;
                continue;
            }
            seen.reset(part_start[p + 1] - part_start[p]);
            for (std::size_t e = part_start[p]; e < part_start[p + 1]; ++e)
                if (!seen.insert(entries[e], [&](std::uint32_t n) { return line_of(chunks, n); }))
                    repeated[entries[e].line] = 1;
        }
    });
    pool.run(chunks.size(), [&](std::size_t k) {
        HashedChunk& c = chunks[k];
        for (std::size_t i = 0; i < c.count(); ++i)
            if (!repeated[c.first_line + i])
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
                if (repeated[c.first_line + i])
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
