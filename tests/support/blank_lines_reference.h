// Blank-line removal defined by the regular expression \n\s*\r replaced by
// nothing, after one CR LF is cut from each end: the reference the byte scan
// of ops/blank_lines.h must always agree with.
#pragma once

#include "runtime/text.h"

namespace fenrow {

// The text unchanged when the regular-expression engine fails.
Text remove_blank_lines_by_expression(const Text& t);

} // namespace fenrow
