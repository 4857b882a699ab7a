// Remove blank lines: cuts one line break (CR LF) from each end of a text and
// deletes the blank lines (empty, or of space, tab, LF, VT, FF and CR only)
// that follow a line break.
#pragma once

#include "runtime/text.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace fenrow {

class WorkPool;

// The text as it is when nothing is to be removed (moved, not copied).
Text remove_blank_lines(const Text& t);
// keep_end: only the front's line break is cut.
Text remove_blank_lines(Text&& t, bool keep_end = false);
// The same written into a new text, for a text that stays as it is (a box's,
// kept for undo): with a pool, a long text is cut into chunks at places no run
// to remove crosses and its kept parts are found and written in parallel, at
// chunks of min_chunk_bytes and more. Empty when there is nothing to remove.
std::optional<Text> remove_blank_lines_anew(std::string_view s, WorkPool* pool = nullptr,
                                            std::size_t min_chunk_bytes = 1 << 20);
// Calls f with the parts of s that remove_blank_lines keeps, in order: joined,
// they are its result. For a text cleaned in pieces, cut where a byte other
// than a blank follows an LF: cut_start and cut_end say whether the piece
// holds the text's start and end, whose line breaks are cut.
void for_each_kept_part(std::string_view s, const std::function<void(std::string_view)>& f, bool cut_start = true,
                        bool cut_end = true);
// Whether the text, without cutting its ends, holds a run to remove; with a
// pool, a long text is searched in chunks in parallel.
bool holds_blank_lines(std::string_view s);
bool holds_blank_lines(std::string_view s, WorkPool* pool, std::size_t min_chunk_bytes = 1 << 20);

} // namespace fenrow
