// Remove blank lines: cuts one line break (CR LF) from each end of a text and
// deletes the blank lines (empty, or of space, tab, LF, VT, FF and CR only)
// that follow a line break.
#pragma once

#include "ops/controls.h"
#include "runtime/text.h"

namespace fenrow {

// The text unchanged when the regular-expression engine fails: nothing is lost.
Text remove_blank_lines(const Text& t);

// The handler of 按钮_去空行: cleans 编辑框_原, then 编辑框_后.
void remove_blank_lines_in_both(Controls& ui);

} // namespace fenrow
