// How the window watches a long operation: its progress in the hint pane once
// it has run for a while, the toolkit serving the window meanwhile (paints,
// and the user's stop), and what the hint pane says when it ends.
#pragma once

#include "app/control_table.h"
#include "runtime/progress.h"
#include "runtime/text.h"

#include <chrono>
#include <functional>

namespace fenrow {

// The work's name in the notes: a control's caption up to its "↓".
Text operation_label(const ControlSpec& row);
// The menus' item that stops the work.
Text stop_item_caption();
// "正在去重复… 45%"
Text progress_note(const Text& label, int percent);
// The work stopped: nothing it would have written is there.
Text stopped_note(const Text& label);
// Said when the progress had been shown and the work said nothing itself.
Text finished_note(const Text& label);

struct WatchTiming {
    // Work quicker than this shows no progress.
    std::chrono::milliseconds delay{500};
    // The least time between two rounds of serving the window, and between
    // two notes of progress.
    std::chrono::milliseconds interval{40};
};

// show puts a note into the hint pane; serve (when given) lets the window
// paint and take the user's stop, and is called on the watching thread.
class OperationWatch : public ProgressWatch {
public:
    OperationWatch(Text label, WatchTiming timing, std::function<void(const Text&)> show,
                   std::function<void(ProgressWatch&)> serve = {});
    void report(double done) override;
    const Text& label() const { return label_; }
    // Whether a note of progress was shown.
    bool shown() const { return percent_ >= 0; }

private:
    using Clock = std::chrono::steady_clock;
    Text label_;
    WatchTiming timing_;
    std::function<void(const Text&)> show_;
    std::function<void(ProgressWatch&)> serve_;
    Clock::time_point start_ = Clock::now(), last_ = start_;
    int percent_ = -1; // the latest shown; never goes back
    bool serving_ = false; // what the window does meanwhile reports nothing of its own
};

} // namespace fenrow
