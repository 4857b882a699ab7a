// Lines of a text cut into chunks for the work pool, and the parallel removal
// of repeated lines built on them.
#pragma once

#include "runtime/text.h"
#include "runtime/work_pool.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace fenrow {

// The pieces for_each_crlf_piece gives of one chunk, as places in it.
struct ChunkLines {
    std::string_view text;
    std::vector<std::uint32_t> starts; // and one behind the last, as if it ended in CR LF
    std::size_t count() const { return starts.empty() ? 0 : starts.size() - 1; }
    std::string_view line(std::size_t i) const { return text.substr(starts[i], starts[i + 1] - starts[i] - 2); }
};

// remove_duplicate_items(t, CR LF) on the pool: the lines hashed in chunks
// and sorted by hash into parts of a few ten thousand, each part's lines put
// through a set that fits the processor's cache in their order, then the
// first occurrences written in place. Texts of 4 GB and more are not for it.
Text remove_duplicate_lines_on(WorkPool& pool, std::string_view t, std::size_t chunks);

} // namespace fenrow
