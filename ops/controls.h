// Control access: how operations read and write the window, by control name.
// Every window serves it: the Qt and Windows ones, and the one in memory that
// tests run operations on (app/table_window.h).
#pragma once

#include "ops/control_names.h"
#include "runtime/text.h"

#include <functional>
#include <memory>

namespace fenrow {

class WorkPool;

// What the operations and the window's handlers read and write. All calls may
// come from any thread; the window carries each one out on its user-interface
// thread while the caller waits, in order.
class Controls {
public:
    virtual ~Controls() = default;
    virtual Text get_content(ControlName edit) = 0;
    // Raises the box's content-changed event exactly once, even for the same text.
    virtual void set_content(ControlName edit, const Text& t) = 0;
    // The same bytes as get_content, for reading, lent without a copy where the
    // window can: a list of a million lines is not held twice over.
    virtual std::shared_ptr<const Text> share_content(ControlName edit)
    {
        return std::make_shared<const Text>(get_content(edit));
    }
    // The same bytes as get_content, for a caller that gives the box its new
    // text next: a window that can hand the text over without a copy does,
    // and shows nothing in between.
    virtual Text take_content(ControlName edit) { return get_content(edit); }
    // set_content with a text the caller gives up, which the window may keep.
    virtual void give_content(ControlName edit, Text&& t) { set_content(edit, t); }
    // Inserts at the end and scrolls it into view; raises content-changed once.
    virtual void append_text(ControlName edit, const Text& t) = 0;
    virtual bool is_checked(ControlName box) = 0;
    virtual int get_selection(ControlName combo) = 0;
    // The item's text; empty for an index outside the list.
    virtual Text get_item(ControlName combo, int index) = 0;
    virtual void set_caption(ControlName label, const Text& t) = 0;
    // An index outside 0 … pane_count - 1 does nothing.
    virtual void set_pane_text(ControlName status_bar, int pane, const Text& t) = 0;
    // CR LF pairs plus one.
    virtual int get_line_count(ControlName edit) = 0;
    // The clipboard's text in place of the box's, once it is read; when it
    // cannot be, the box keeps its text and the hint pane says why.
    virtual void paste(ControlName edit) = 0;
    // An operation starts: its first write into the large box keeps the text
    // before it, for the box's "撤销上次操作"; undoing it shows undo_note in
    // the hint pane when it is not empty.
    virtual void begin_operation(ControlName box, const Text& undo_note) = 0;

    // A job: work on a worker that writes into one box. Unless a job for the
    // same box still runs, runs prepare on the calling thread, then body on a
    // new worker, and yields true; refused (nothing runs, the hint pane says
    // why) or without a thread: false. The window waits for its jobs when it goes.
    virtual bool start_box_job(ControlName box, const std::function<void()>& prepare, std::function<void()> body) = 0;
    // True from a granted start until its body has returned.
    virtual bool box_job_running(ControlName box) = 0;
    // Waits until no job of this window runs any more.
    virtual void wait_for_box_jobs() = 0;
    // The threads the window keeps for its operations; none: they run on the
    // calling thread.
    virtual WorkPool* pool() { return nullptr; }
};

// The number of lines an edit box shows for a text: CR LF pairs plus one.
int count_box_lines(const Text& t);

} // namespace fenrow
