// Remove duplicate lines, and pick the lines of the left list that the right
// list lacks.
#pragma once

#include "ops/controls.h"
#include "runtime/text.h"

#include <string_view>

namespace fenrow {

// The handler of 按钮_去重复: the left box's lines, each at its first
// occurrence only (exact bytes), into the right box, without a line break
// behind the last. The left box stays.
void remove_duplicate_lines(Controls& ui);

// The handler of 按钮_挑不重复: the left box's lines that no right line
// equals as a settings-file name (letters of any alphabet without regard to
// case, blanks at both ends disregarded), in order, repeats kept, each
// followed by CR LF, replace the right box. A left line that is empty or of
// bytes up to 0x20 only is always picked.
void pick_non_duplicates(Controls& ui);

// Whether a settings file could hold the line as a section name that reads
// back as itself: no CR or LF in it, not only blanks, and no lone lead byte at
// its end to swallow the closing bracket. Other lines never make a left line
// count as present.
bool holds_as_section_name(const Text& line);
bool holds_as_section_name(std::string_view line);

} // namespace fenrow
