// The Main window: built from the control table, laid out by the layout rule,
// its events dispatched through the event table. It is also the control access
// the operations use; calls from workers are carried out on the UI thread.
#pragma once

#include "app/shell.h"
#include "ops/controls.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QLabel;
class QStatusBar;

namespace fenrow {

class BigBox;

class MainWindow : public QWidget, public Controls {
public:
    MainWindow();
    ~MainWindow() override;

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
    Rect get_geometry(ControlName c) override;
    void set_left(ControlName c, int v) override;
    void set_top(ControlName c, int v) override;
    void set_width(ControlName c, int v) override;
    void set_height(ControlName c, int v) override;
    int client_width() override;
    int client_height() override;

    // The widget of a control, or nullptr.
    QWidget* widget(ControlName c) const;
    QLabel* pane(int index) const { return panes_[index]; }
    // Runs a bound handler, if any.
    void raise(ControlName control, Event event);
    // Sees every raised event before its handler; for tests.
    std::function<void(ControlName, Event)> event_observer;

    // Texts from this size on are laid out as a document off the UI thread.
    static constexpr int large_text = 256 * 1024;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void build();
    void build_status_bar();
    QWidget* make(const ControlSpec& row, QWidget* parent);
    void dock_status_bar();
    void place(ControlName c, const Rect& r);
    void set_edge(ControlName c, int Rect::*edge, int v);
    ControlName control_of(QObject* o) const;

    template <typename F>
    auto on_ui(F f) -> decltype(f());
    void replace_box_text(BigBox* box, ControlName edit, const Text& t);
    void run_deferred_calls();

    struct Entry {
        const ControlSpec* row;
        QWidget* widget;
        Rect geometry; // as the layout rule set it, before any clamping
    };
    std::map<std::string, Entry, std::less<>> controls_;
    // While the UI thread waits for a document being built, workers' calls
    // wait here, so that they keep their order relative to the UI's own.
    bool deferring_ = false;
    std::vector<QEvent*> deferred_;
    QStatusBar* status_ = nullptr;
    QLabel* panes_[4] = {};
};

// Runs the message loop until the window is closed, then ends the process at
// once with the loop's exit code: workers still running or waiting for the
// window end with it.
[[noreturn]] void run_until_closed();

} // namespace fenrow
