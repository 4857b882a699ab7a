// Control access: how operations read and write the window, by control name.
// Two implementations: the Qt window and MemoryControls for tests.
#pragma once

#include "ops/control_names.h"
#include "runtime/text.h"
#include "runtime/worker.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace fenrow {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class ControlKind { edit, label, button, check_box, radio_box, combo_box, group_box, hyperlink, status_bar };

// One row of the control table.
struct ControlSpec {
    ControlName name;
    ControlKind kind;
    ControlName container; // empty: the window itself
    Rect geometry;
    const char* text;       // caption or initial content, UTF-8; combo items and
                            // status-bar panes one per line ('\n'), first item selected
    unsigned rgb = 0;       // text colour, 0xRRGGBB; black when 0
    bool initially_on = false;
    bool multi_line = false;
    bool word_wrap = false;
};

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
    // Inserts the clipboard's text at the caret.
    virtual void paste(ControlName edit) = 0;
    // An operation starts: its first write into the large box keeps the text
    // before it, for the box's "撤销上次操作"; undoing it shows undo_note in
    // the hint pane when it is not empty.
    virtual void begin_operation(ControlName box, const Text& undo_note) = 0;
};

// What the layout rule reads and sets: the controls' design geometry and the
// window's client size (0 × 0 while minimised).
class ControlLayout {
public:
    virtual ~ControlLayout() = default;
    virtual Rect get_geometry(ControlName c) = 0;
    virtual void set_left(ControlName c, int v) = 0;
    virtual void set_top(ControlName c, int v) = 0;
    virtual void set_width(ControlName c, int v) = 0;
    virtual void set_height(ControlName c, int v) = 0;
    virtual int client_width() = 0;
    virtual int client_height() = 0;
};

// A whole window as its event handlers see it: its controls, their layout, and
// the workers that belong to it.
class WindowControls : public Controls, public ControlLayout {
public:
    // Starts body on a worker that ends with the window: closing asks it to
    // stop (the token) and waits for it. False when no thread could be made.
    virtual bool start_owned_worker(std::function<void(std::stop_token)> body) = 0;
};

// The number of lines an edit box shows for a text: CR LF pairs plus one.
int count_box_lines(const Text& t);

// A window without a screen: every control of a table with its state. Calls
// are served at once on the caller's thread under one lock. An unknown name is
// a programming error and throws std::out_of_range.
class MemoryControls : public WindowControls {
public:
    explicit MemoryControls(const std::vector<ControlSpec>& table, int client_width = 722, int client_height = 514);

    Text get_content(ControlName edit) override;
    void set_content(ControlName edit, const Text& t) override;
    void append_text(ControlName edit, const Text& t) override;
    bool is_checked(ControlName box) override;
    int get_selection(ControlName combo) override;
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

    // Test hooks: what the user would do, and what the window would show.
    void set_checked(ControlName box, bool on); // radio boxes clear their siblings
    void set_selection(ControlName combo, int index);
    void set_client_size(int w, int h);
    void set_clipboard(const Text& t) { clipboard_ = t; }
    Text caption(ControlName c);
    Text pane_text(ControlName status_bar, int pane);
    int content_changed_count(ControlName edit);
    // The note of the last begin_operation on the box; memory boxes keep no
    // text to undo.
    Text operation_note(ControlName edit);
    // Runs on every content change, with the box's name.
    std::function<void(ControlName)> on_content_changed;

private:
    struct State {
        ControlKind kind;
        std::string container;
        Rect geometry;
        Text text; // content or caption
        bool on = false;
        int selection = -1;
        std::vector<Text> items;
        std::vector<Text> panes;
        int changes = 0;
        Text operation_note;
    };
    State& at(ControlName c);
    void changed(ControlName c, State& s);

    std::recursive_mutex mutex_; // content-changed handlers may call back in
    std::map<std::string, State, std::less<>> controls_;
    int client_width_, client_height_;
    Text clipboard_;
    WorkerGroup workers_; // last: stopped and joined before the controls go
};

} // namespace fenrow
