// The Main window without any toolkit: the controls of the table with the
// geometry the layout rule gave them, the control access the operations use,
// the events raised through the event table, the workers' calls carried out
// on the user-interface thread, the workers it owns, and the order in which
// it goes. A toolkit supplies a WindowBackend that makes the controls, places
// them, and reads and writes what they show.
#pragma once

#include "app/list_box_core.h"
#include "app/operation_watch.h"
#include "app/shell.h"
#include "app/ui_calls.h"
#include "runtime/work_pool.h"
#include "runtime/worker.h"

#include <functional>
#include <optional>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

// How a caption is drawn to fit its control: a smaller font first, then a
// narrower one, so that a long line count still reads whole.
struct CaptionFit {
    int pixel_size = 12; // in the screen's pixels; the design's user-interface font at 96 DPI
    int stretch = 100;   // the characters' width in percent
    friend bool operator==(const CaptionFit&, const CaptionFit&) = default;
};
inline constexpr int design_font_size = 12;
inline constexpr int smallest_caption_size = 10; // in the design's pixels
inline constexpr int narrowest_caption = 55;

// The design's font at that scale.
inline CaptionFit design_fit(const Scale& scale) { return {scale.device(design_font_size), 100}; }

// The fit that shows a caption whole in room pixels of the screen: the
// design's, or the largest size down to the smallest that fits, then the
// widest stretch down to the narrowest. width_at applies a fit and gives the
// caption's width.
CaptionFit fit_caption(int room, const std::function<int(CaptionFit)>& width_at, const Scale& scale = {});

// What a filtering list tool asks before it runs: the text a line must hold
// and how it is matched, offered as last chosen, with the texts given before.
struct FilterQuestion {
    Text title;               // the tool's caption
    std::vector<Text> recent; // the texts given before, the latest first
    FilterOptions last;       // the latest answer's choices, its text first in recent
};
inline constexpr std::size_t filter_texts_kept = 10;
struct FilterDialogWords {
    Text prompt, regex, ignore_case, ok, cancel;
};
const FilterDialogWords& filter_dialog_words();

// A toolkit's part of a window. Every call comes on the user-interface thread.
// Places, sizes and fits are in the screen's pixels: the design's times the
// window's Scale (1 where the toolkit scales by itself).
class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    // Makes the control of a row inside its container (made before it), with
    // its caption, initial content or state and colour, and shows it; the
    // window places it right after. A large box comes with its behaviour, which the window wires
    // to its events; other controls give nullptr.
    virtual ListBoxCore* make(const ControlSpec& row) = 0;
    // A place the layout rule gave; a width or height below zero shows nothing.
    virtual void place(const ControlSpec& row, const Rect& r) = 0;
    // A small edit box's content; a label's caption.
    virtual Text text(const ControlSpec& row) = 0;
    virtual void set_text(const ControlSpec& row, const Text& t) = 0;
    virtual bool checked(const ControlSpec& row) = 0;
    // A radio box turned on turns off the others of its container.
    virtual void set_checked(const ControlSpec& row, bool on) = 0;
    virtual int selection(const ControlSpec& row) = 0;
    virtual void set_selection(const ControlSpec& row, int index) = 0;
    // The item's text; empty for an index outside the list.
    virtual Text item(const ControlSpec& row, int index) = 0;
    virtual void set_pane_text(int pane, const Text& t) = 0;
    // Shows a one-line caption (label, check box, radio box, link) with that
    // fit and gives the width the control needs for it.
    virtual int fitted_width(const ControlSpec& row, CaptionFit fit) = 0;
    // The client area; 0 × 0 while minimised.
    virtual std::pair<int, int> client_size() = 0;
    // Whether the toolkit tells the window of every change of a small edit
    // box's content (TableWindow::edit_changed), so that workers may reread
    // it from a copy.
    virtual bool reports_edit_changes() const { return false; }
    // Asks in a small modal dialog; nothing when the user cancels.
    virtual std::optional<FilterOptions> ask_filter(const FilterQuestion& q) = 0;
    // While an operation runs on the user-interface thread: the window
    // painted and the window's own calls carried out, the user's input taken
    // away but for Esc and a large box's menu holding only "停止", either of
    // which asks the watch to stop.
    virtual void serve_during_operation(ProgressWatch& watch) = 0;
};

class TableWindow : public WindowControls {
public:
    // wake asks the toolkit to call run_pending_calls() on the user-interface
    // thread soon (false when it cannot); without it, workers' calls are
    // served at once on their own thread, one at a time.
    TableWindow(const std::vector<ControlSpec>& table, WindowBackend& backend, std::function<bool()> wake);
    ~TableWindow() override;
    TableWindow(const TableWindow&) = delete;
    TableWindow& operator=(const TableWindow&) = delete;

    // Makes every control of the table, containers first.
    void build();
    // The screen's pixels per inch: every control is placed and its caption
    // fitted anew; the toolkit has set its fonts for it before.
    void set_scale(Scale scale);
    Scale scale() const { return scale_; }
    // Runs the bound handler, if any, after the observer has seen the event.
    void raise(ControlName control, Event event);
    std::function<void(ControlName, Event)> event_observer;
    // The control under a point of the client area (in the screen's pixels): of overlapping siblings
    // the one made last. The bare background and the empty inside of a group
    // box give the window itself.
    ControlName control_at(int x, int y) const;
    // What the toolkit's wake leads to, on the user-interface thread.
    void run_pending_calls()
    {
        const Watching unwatched(nullptr); // a worker's call is no part of an operation running here
        calls_.run_pending();
    }
    // A small edit box's content changed, by the user or the program; on the
    // user-interface thread.
    void edit_changed(ControlName edit);
    template <typename F>
    auto on_ui_thread(F f) -> decltype(f())
    {
        return calls_.call(std::move(f));
    }
    // The user asks the operation that runs, and the jobs, to stop (Esc, "停止").
    void stop();
    // Whether an operation or a job runs that stop() would end.
    bool busy();
    void set_watch_timing(WatchTiming t) { watch_timing_ = t; }
    // Workers' calls return at once from here on, the owned workers are asked
    // to stop, and the window waits for them and for the jobs writing into its
    // boxes. The toolkit shuts the window down before it destroys its controls.
    void shut_down();

    const ControlSpec& row(ControlName c) const;
    // Every control's row, in creation order.
    const std::vector<ControlSpec>& table() const { return table_; }
    // A large box's behaviour; on the user-interface thread.
    ListBoxCore& box(ControlName c);

    Text get_content(ControlName edit) override;
    void set_content(ControlName edit, const Text& t) override;
    // A large box lends its bytes, hands them over and takes a result's
    // without copies, except the one its operation step needs.
    std::shared_ptr<const Text> share_content(ControlName edit) override;
    Text take_content(ControlName edit) override;
    void give_content(ControlName edit, Text&& t) override;
    void append_text(ControlName edit, const Text& t) override;
    bool is_checked(ControlName box) override;
    // As a click would leave it, without the click's event: a radio box
    // turned on turns off the others of its group.
    void set_checked(ControlName box, bool on);
    int get_selection(ControlName combo) override;
    void set_selection(ControlName combo, int index);
    Text get_item(ControlName combo, int index) override;
    void set_caption(ControlName label, const Text& t) override;
    void set_pane_text(ControlName status_bar, int pane, const Text& t) override;
    int get_line_count(ControlName edit) override;
    void paste(ControlName edit) override;
    void begin_operation(ControlName box, const Text& undo_note) override;
    Rect get_geometry(ControlName c) override;
    void set_left(ControlName c, int v) override;
    void set_top(ControlName c, int v) override;
    void set_width(ControlName c, int v) override;
    void set_height(ControlName c, int v) override;
    int client_width() override;
    int client_height() override;
    bool start_owned_worker(std::function<void(std::stop_token)> body) override;
    bool start_box_job(ControlName box, const std::function<void()>& prepare, std::function<void()> body) override;
    bool box_job_running(ControlName box) override;
    void wait_for_box_jobs() override;
    WorkPool* pool() override { return &pool_; }

protected:
    // Every event raised, before the observer; for a window that counts them.
    virtual void raised(ControlName, Event) {}
    // A job's checkpoint, on its worker; for a window that stops jobs there.
    virtual void job_served(ProgressWatch&) {}

private:
    struct Entry {
        const ControlSpec* row;
        Rect geometry; // as the layout rule set it, before any clamping
        ListBoxCore* box = nullptr;
    };
    Entry& entry(ControlName c);
    const Entry& entry(ControlName c) const;
    void set_edge(ControlName c, int Rect::*edge, int v);
    void place(const Entry& e);
    // Fits a one-line caption to its control's width.
    void fit(const Entry& e);
    void job_ended(ControlName box);
    // A list tool chosen in a box's menu: asked for its text when it needs one, then run as a step.
    void run_tool(ControlName box, ListTool tool);
    // An event's work as a step of its own, unless one runs: memory running
    // out ends it and puts back what its operation had written.
    // Watched under label, unless it is empty.
    void run_step(const std::function<void()>& work, bool clicked, const Text& label = {});
    // Raises an event within the step already running.
    void dispatch(ControlName control, Event event);

    // Made with the window and joined after its jobs have ended.
    WorkPool pool_;
    const std::vector<ControlSpec>& table_;
    WindowBackend& backend_;
    Scale scale_;
    std::map<std::string_view, Entry, std::less<>> controls_;
    UiCalls calls_;
    WorkerGroup workers_;
    std::mutex jobs_mutex_;
    std::condition_variable job_ended_;
    std::set<std::string_view> boxes_in_jobs_;
    // Small edit boxes' contents as the user-interface thread last read them,
    // each dropped when it changes: workers reread options often, and a call
    // to that thread costs far more than the copy (most under Wine).
    std::mutex edit_texts_mutex_;
    std::map<std::string_view, Text, std::less<>> edit_texts_;
    FilterQuestion filter_asked_;
    WatchTiming watch_timing_;
    // The watch of the operation running on the user-interface thread.
    OperationWatch* operation_ = nullptr;
    // Writes into the hint pane, to know whether an operation said anything.
    int hint_writes_ = 0;
    // The jobs' watches, under jobs_mutex_.
    std::map<std::string_view, std::shared_ptr<OperationWatch>, std::less<>> job_watches_;
};

} // namespace fenrow
