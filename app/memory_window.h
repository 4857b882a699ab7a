// A window without a screen: the shared window over controls kept in memory,
// for tests, benchmarks and the agreement run. Its large boxes have the same
// behaviour as the real ones; workers' calls are served at once on their own
// thread, one at a time. An unknown name is a programming error and throws
// std::out_of_range.
#pragma once

#include "app/table_window.h"

#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace fenrow {

class MemoryBackend : public WindowBackend, private ListBoxView {
public:
    MemoryBackend(int client_width, int client_height) : width_(client_width), height_(client_height) {}

    ListBoxCore* make(const ControlSpec& row) override;
    void place(const ControlSpec& row, const Rect& r) override { at(row).placed = r; }
    Text text(const ControlSpec& row) override { return at(row).text; }
    void set_text(const ControlSpec& row, const Text& t) override { at(row).text = t; }
    bool checked(const ControlSpec& row) override { return at(row).on; }
    void set_checked(const ControlSpec& row, bool on) override;
    int selection(const ControlSpec& row) override { return at(row).selection; }
    void set_selection(const ControlSpec& row, int index) override { at(row).selection = index; }
    Text item(const ControlSpec& row, int index) override;
    void set_pane_text(int pane, const Text& t) override { panes_.at(static_cast<std::size_t>(pane)) = t; }
    // A character of the code page's two bytes takes the font's size, one of one byte half of it.
    int fitted_width(const ControlSpec& row, CaptionFit fit) override;
    std::pair<int, int> client_size() override { return {width_, height_}; }
    void serve_during_operation(ProgressWatch& w) override
    {
        if (++serves_ == stop_at_serve_)
            w.ask_to_stop();
    }
    std::optional<FilterOptions> ask_filter(const FilterQuestion& q) override
    {
        filter_asked_ = q;
        return filter_answer_;
    }

    // What the controls hold, for the window's test hooks.
    struct State {
        const ControlSpec* row;
        Text text = {}; // content or caption
        bool on = false;
        int selection = -1;
        std::vector<Text> items = {};
        CaptionFit fit = {};
        Rect placed = {}; // in the screen's pixels
        std::unique_ptr<ListBoxCore> box = {};
    };
    State& at(const ControlSpec& row) { return at(row.name); }
    State& at(ControlName c);

    std::map<std::string_view, State, std::less<>> states_;
    std::vector<Text> panes_;
    int width_, height_;
    Text clipboard_;
    std::optional<FilterOptions> filter_answer_;
    int serves_ = 0, stop_at_serve_ = 0;
    FilterQuestion filter_asked_;
    ClipboardRead::Outcome clipboard_outcome_ = ClipboardRead::text;

private:
    void text_replaced() override {}
    void caret_moved(bool) override {}
    int page_lines() override { return 1; }
    void scroll_page(int) override {}
    ClipboardRead clipboard_text(PasteSource) override { return {clipboard_outcome_, clipboard_}; }
    bool clipboard_has_text() override { return !clipboard_.empty(); }
    void put_on_clipboard(const Text& t) override { clipboard_ = t; }
    std::optional<Text> choose_file_to_open() override { return std::nullopt; }
    std::optional<std::pair<Text, SaveEncoding>> choose_file_to_save() override { return std::nullopt; }
};

// The backend is made before the window that holds on to it.
struct MemoryBackendHolder {
    MemoryBackend memory;
};

class MemoryControls : private MemoryBackendHolder, public TableWindow {
public:
    explicit MemoryControls(const std::vector<ControlSpec>& table, int client_width = 722, int client_height = 514);

    void begin_operation(ControlName box, const Text& undo_note) override;

    // Test hooks: what the user would do, and what the window would show.
    void set_client_size(int w, int h);
    void set_clipboard(const Text& t);
    // The next pastes find the clipboard held by another program or without text.
    void set_clipboard_unreadable(ClipboardRead::Outcome why);
    // The box's context menu, and the choice of one of its items (BoxMenuItem::id).
    std::vector<BoxMenuItem> menu(ControlName box);
    void choose(ControlName box, int id);
    // The user stops the operation at the window's n-th serving from now on
    // (1 the first; 0 never). Servings come at every checkpoint: no progress
    // is shown unless the timing is set otherwise.
    void stop_at_serve(int n);
    int serves();
    // What the filter dialogs answer from now on (nothing: cancelled), and what the last one asked.
    void answer_filter(std::optional<FilterOptions> answer);
    FilterQuestion filter_question();
    Text caption(ControlName c);
    // The caption's width as drawn, and the width of its control, in the screen's pixels.
    std::pair<int, int> caption_width(ControlName c);
    Rect placed(ControlName c);
    Text pane_text(ControlName status_bar, int pane);
    int content_changed_count(ControlName edit);
    // The note of the last begin_operation on the box.
    Text operation_note(ControlName edit);
    // Runs on every content change, with the box's name.
    std::function<void(ControlName)> on_content_changed;

protected:
    void raised(ControlName c, Event e) override;
    void job_served(ProgressWatch& w) override;

private:
    std::map<std::string_view, int, std::less<>> changes_;
    std::map<std::string_view, Text, std::less<>> notes_;
};

} // namespace fenrow
