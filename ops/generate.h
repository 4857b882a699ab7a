// Generate text files: the left box's accounts cut into blocks of N, each
// block written to a file of its own in the program's directory (账号1.txt,
// 账号2.txt, …), the accounts of an incomplete last block left in the box.
#pragma once

#include "ops/controls.h"
#include "runtime/text.h"

#include <chrono>

namespace fenrow {

// The account lines of a text as the operations count them: a blank line
// between lines counts, a CR LF at the very end adds none.
int count_lines(const Text& text);

// The handler of 按钮_生成. A block leaves the left box only once its file is
// written; the first file that cannot be written (or whose name would leave
// the program's directory) ends the run with a message naming it and why.
// A long run shows its progress in the hint pane every generate_progress_interval.
void generate_text_files(Controls& ui);

// Test seam: how often a long run shows its progress.
extern std::chrono::milliseconds generate_progress_interval;

} // namespace fenrow
