// Remove duplicate lines, and pick the lines of the left list that the right
// list lacks.
#pragma once

#include "runtime/text.h"

#include <functional>
#include <string_view>

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

// Whether a settings file could hold the line as a section name that reads
// back as itself: no CR or LF in it, not only blanks, and no lone lead byte at
// its end to swallow the closing bracket. Other lines never make a left line
// count as present.
bool holds_as_section_name(std::string_view line);

} // namespace fenrow
