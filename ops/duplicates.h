// Remove duplicate lines, and pick the lines of the left list that the right
// list lacks.
#pragma once

#include "runtime/text.h"
#include "runtime/text_routines.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

class WorkPool;

// Removing duplicates is remove_duplicate_items(list, CR LF) of
// runtime/text_routines.h: each line at its first occurrence only (exact
// bytes), without a line break behind the last.

// remove_duplicate_items(list, CR LF) line by line, for a result written
// while it is made: keep is given each line at its first occurrence, in
// order; joined by CR LF they are its result.
template <typename Keep>
void for_each_first_line(std::string_view list, Keep&& keep)
{
    // Each line's slot is asked for a few lines ahead of its turn, as there.
    constexpr std::size_t ahead = 8;
    std::pair<std::string_view, std::uint32_t> waiting[ahead];
    std::size_t n = 0;
    SpanSet seen(list, rough_line_count(list));
    for_each_crlf_piece(list, [&](std::string_view item) {
        const std::uint32_t h = SpanSet::hash(item);
        seen.prefetch(h);
        auto& slot = waiting[n++ % ahead];
        if (n > ahead && seen.insert(slot.first, slot.second))
            keep(slot.first);
        slot = {item, h};
    });
    for (std::size_t i = n > ahead ? n - ahead : 0; i < n; ++i)
        if (seen.insert(waiting[i % ahead].first, waiting[i % ahead].second))
            keep(waiting[i % ahead].first);
}

// The lines of left that no line of right equals as a settings-file name
// (letters of any alphabet without regard to case, blanks at both ends
// disregarded), in order, repeats kept, each followed by CR LF. A left line
// that is empty or of bytes up to 0x20 only is always picked. Every few
// thousand lines paint runs, so that a window can repaint meanwhile. With a
// pool, long lists are done in parallel and paint runs on the calling thread
// between its share of the work.
Text pick_missing(std::string_view left, std::string_view right, const std::function<void()>& paint = {},
                  WorkPool* pool = nullptr);

// pick_missing with the left list given in parts, each a run of its lines as
// for_each_crlf_piece cuts the whole (the last may end without a line break),
// for a left list read and written while it is picked.
class MissingLines {
public:
    // right is read only here.
    explicit MissingLines(std::string_view right);
    // The part's picked lines, each followed by CR LF, appended to out.
    void pick(std::string_view left, std::string& out) const;

private:
    std::string keys_;
    SpanSet present_;
};

// Whether a settings file could hold the line as a section name that reads
// back as itself: no CR or LF in it, not only blanks, and no lone lead byte at
// its end to swallow the closing bracket. Other lines never make a left line
// count as present.
bool holds_as_section_name(std::string_view line);

} // namespace fenrow
