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
    // right is read only here; each_line, if given, runs after each of its lines.
    explicit MissingLines(std::string_view right, const std::function<void()>& each_line = {});
    // The part's picked lines, each followed by CR LF, appended to out;
    // each_line as above.
    void pick(std::string_view left, std::string& out, const std::function<void()>& each_line = {}) const;

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
