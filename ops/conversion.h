// Numbering conversion (按钮_转换): every line of 编辑框_原 gets its number and
// the prefix text in front, and/or the two suffix texts behind, into 编辑框_后.
#pragma once

#include "ops/controls.h"

namespace fenrow {

// The click handler: unless a job still writes 编辑框_后, empties it and runs
// run_conversion on a worker; returns at once.
void start_conversion(Controls& ui);

// The worker's body: appends the result lines batch by batch, then cleans the
// box of blank lines, rewriting it only when that changes it. 编辑框_原 is
// only read.
void run_conversion(Controls& ui);

} // namespace fenrow
