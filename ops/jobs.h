// Jobs that run on a worker and write into one box of a window: at most one
// such job per box at a time, since two of them would interleave their output.
// The window keeps them (Controls::start_box_job).
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

// The window's own jobs (Controls::start_box_job), for the operations.
inline bool start_box_job(Controls& ui, ControlName box, const std::function<void()>& prepare, std::function<void()> body)
{
    return ui.start_box_job(box, prepare, std::move(body));
}
inline bool box_job_running(Controls& ui, ControlName box) { return ui.box_job_running(box); }
inline void wait_for_box_jobs(Controls& ui) { ui.wait_for_box_jobs(); }

} // namespace fenrow
