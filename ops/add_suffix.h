// Add suffix (按钮_加后缀): marks the first account of every group of n, or the
// last account of every complete group, with a symbol and the group number.
#pragma once

#include "ops/controls.h"

namespace fenrow {

// The click handler: unless a job still writes 编辑框_后, puts the wait notice
// there and runs run_add_suffix on a worker; returns at once.
void start_add_suffix(Controls& ui);

// The worker's body: builds the marked list in memory and writes it to
// 编辑框_后 once, cleaned of blank lines. 编辑框_原 is only read.
void run_add_suffix(Controls& ui);

// What 编辑框_后 shows while the worker runs.
Text add_suffix_notice();

} // namespace fenrow
