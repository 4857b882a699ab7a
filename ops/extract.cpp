#include "ops/extract.h"

#include "ops/control_names.h"
#include "runtime/codepage.h"
#include "runtime/line_chunks.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace fenrow {

namespace {

// Each line's part between the markers, as its place in the chunk.
struct ExtractedChunk {
    std::string_view text;
    std::vector<std::uint32_t> at, size;
    std::size_t bytes = 0; // with a CR LF behind each
};

std::string extract_on(WorkPool& pool, std::string_view list, std::string_view head, std::string_view tail,
                       std::size_t chunk_count)
{
    std::vector<ExtractedChunk> chunks;
    for (const std::string_view c : crlf_chunks(list, chunk_count))
        chunks.emplace_back().text = c;
    pool.run(chunks.size(), [&](std::size_t k) {
        ExtractedChunk& c = chunks[k];
        for_each_crlf_piece(c.text, [&](std::string_view line) {
            const std::string_view part = text_between_view(line, head, tail, 0, true);
            c.at.push_back(part.empty() ? 0 : static_cast<std::uint32_t>(part.data() - c.text.data()));
            c.size.push_back(static_cast<std::uint32_t>(part.size()));
            c.bytes += part.size() + 2;
        });
    });
    std::vector<std::size_t> at{0};
    for (const ExtractedChunk& c : chunks)
        at.push_back(at.back() + c.bytes);
    std::string result;
    grow_and_write(result, at.back(), [&](char* start) {
        pool.run(chunks.size(), [&](std::size_t k) {
            const ExtractedChunk& c = chunks[k];
            char* to = start + at[k];
            for (std::size_t i = 0; i < c.at.size(); ++i) {
                std::memcpy(to, c.text.data() + c.at[i], c.size[i]);
                std::memcpy(to + c.size[i], "\r\n", 2);
                to += c.size[i] + 2;
            }
        });
    });
    return result;
}

} // namespace

bool markers_present(const Text& list, const ExtractOptions& o)
{
    // Exact case and no quote token here: a marker must stand in the list as
    // typed. An empty marker passes unless the list is empty.
    return txt_find(list, o.head, std::nullopt, false) != -1 && txt_find(list, o.tail, std::nullopt, false) != -1;
}

Extraction extract(const Text& list, const ExtractOptions& o, WorkPool* pool)
{
    if (!markers_present(list, o))
        return refused<Extraction>({"请输入正确的帐号前后字符,没有请留空"_t, "提示"_t});

    const Text h = with_quotes(o.head), t = with_quotes(o.tail);
    if (const std::size_t chunks = chunk_count(pool, list.view().size()); chunks > 1 && places_fit_32_bits(list.view().size())) {
        Extraction r;
        r.list = Text(extract_on(*pool, list.view(), h.view(), t.view(), chunks));
        return r;
    }
    std::string result;
    result.reserve(list.view().size() + list.view().size() / 8 + 2);
    for_each_crlf_piece(list.view(), [&](std::string_view line) {
        result += text_between_view(line, h.view(), t.view(), 0, true);
        result += crlf;
    });
    Extraction r;
    r.list = Text(std::move(result));
    return r;
}

} // namespace fenrow
