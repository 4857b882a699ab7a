// The window's side of the account operations: each button's handler reads
// the operation's options from the controls, runs its engine and writes the
// outcome back into the boxes, the status bar and message boxes.
#pragma once

#include "ops/controls.h"
#include "ops/list_tools.h"
#include "ops/split.h"
#include "runtime/file_encoding.h"

namespace fenrow {

// 按钮_转换: unless a job still writes 编辑框_后, empties it and runs
// run_conversion on a worker; returns at once.
void start_conversion(Controls& ui);
// The worker's body: appends the result lines batch by batch, then cleans the
// box of blank lines, rewriting it only when that changes it. 编辑框_原 is
// only read; the option texts are read again for every batch.
void run_conversion(Controls& ui);

// 按钮_加后缀: unless a job still writes 编辑框_后, puts the wait notice there
// and runs run_add_suffix on a worker; returns at once.
void start_add_suffix(Controls& ui);
// The worker's body: writes the marked list to 编辑框_后 once. The group size
// and the symbol are read again for every batch.
void run_add_suffix(Controls& ui);

// 提取帐号: the extracted list replaces 编辑框_原, or a message says why not.
void extract_accounts(Controls& ui);

// 按钮_去空行: cleans 编辑框_原, then 编辑框_后.
void remove_blank_lines_in_both(Controls& ui);

// 按钮_去重复: 编辑框_原's lines without repeats into 编辑框_后.
void remove_duplicate_lines(Controls& ui);

// 按钮_挑不重复: the lines of 编辑框_原 that 编辑框_后 lacks replace it. The
// window paints now and then meanwhile, but takes no input.
void pick_non_duplicates(Controls& ui);

// 按钮_生成: the files written, 编辑框_原 left with the accounts not written,
// written once at the end and before any message. A long run shows its
// progress in the hint pane and repaints.
void generate_text_files(Controls& ui);

// A list tool chosen in a large box's menu: one over a single list rewrites
// that box, one over two lists takes 编辑框_原 as the first and 编辑框_后 as
// the second and rewrites 编辑框_后. One operation step; the hint pane says
// what it did with the line counts before and after, or a message why not.
// Refused, with a note, while a job writes 编辑框_后 and the tool needs it.
void run_list_tool(Controls& ui, ControlName box, ListTool tool, const FilterOptions& filter = {});
// What the hint pane calls the tool: its caption, a filter's text in place of "…".
Text list_tool_title(ListTool tool, const Text& filter_text);

// A file opened into a large box: "已按 Big5 编码打开 list.txt：12000 行" in the hint pane.
void show_file_opened(Controls& ui, ControlName box, const Text& path, FileEncoding e);

// Takes the next block off 编辑框_原 and empties 编辑框_后; the text of one
// file. A list shorter than N is reported and left as it is, with a block
// holding the top text alone or nothing.
Text take_account_block(Controls& ui);

// How blocks are built, read from 分组框3.
BlockOptions read_block_options(Controls& ui);

} // namespace fenrow
