// Jobs that run on a worker and write into one box of a window: at most one
// such job per box at a time, since two of them would interleave their output.
#pragma once

#include "ops/controls.h"

#include <functional>

namespace fenrow {

// A job visits the window once per batch of lines, not once per line: every
// visit waits for the user-interface thread, and every append costs the box a
// repaint. Options are read at the start of each batch; a batch also ends once
// its text holds batch_bytes, so that very long lines still show progress.
inline constexpr int batch_lines = 8192;
inline constexpr int batch_bytes = 512 * 1024;

// Shown in the status bar's hint pane when a start is refused.
Text job_running_note();

// Unless a job for the same box of the same window still runs: runs prepare
// on the calling thread, then body on a new worker, and yields true. Refused
// (nothing runs, the hint pane shows job_running_note) or without a thread:
// false.
bool start_box_job(Controls& ui, ControlName box, const std::function<void()>& prepare, std::function<void()> body);

// True from a granted start until its body has returned.
bool box_job_running(Controls& ui, ControlName box);

// Waits until no job of this window runs any more.
void wait_for_box_jobs(const Controls& ui);

} // namespace fenrow
