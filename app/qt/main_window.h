// The Main window: built from the control table, laid out by the layout rule,
// its events dispatched through the event table. It is also the control access
// the operations and handlers use; calls from workers are carried out on the
// UI thread (UiThread).
#pragma once

#include "app/qt/ui_thread.h"
#include "app/shell.h"
#include "ops/controls.h"
#include "runtime/worker.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string>

class QLabel;
class QStatusBar;

namespace fenrow {

class MainWindow : public QWidget, public WindowControls {
public:
    MainWindow();
    // Workers' calls return at once from here on; the window's own workers and
    // the jobs still writing into its boxes are waited for.
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
    void begin_operation(ControlName box, const Text& undo_note) override;
    Rect get_geometry(ControlName c) override;
    void set_left(ControlName c, int v) override;
    void set_top(ControlName c, int v) override;
    void set_width(ControlName c, int v) override;
    void set_height(ControlName c, int v) override;
    int client_width() override;
    int client_height() override;
    bool start_owned_worker(std::function<void(std::stop_token)> body) override;

    // The widget of a control, or nullptr.
    QWidget* widget(ControlName c) const;
    QLabel* pane(int index) const { return panes_[index]; }
    // Runs a bound handler, if any.
    void raise(ControlName control, Event event);
    // Sees every raised event before its handler; for tests.
    std::function<void(ControlName, Event)> event_observer;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void build();
    void connect_events(const ControlSpec& row, QWidget* w);
    void build_status_bar();
    void dock_status_bar();
    void place(ControlName c, const Rect& r);
    void set_edge(ControlName c, int Rect::*edge, int v);
    ControlName control_of(QObject* o) const;

    struct Entry {
        const ControlSpec* row;
        QWidget* widget;
        Rect geometry; // as the layout rule set it, before any clamping
    };
    UiThread ui_thread_;
    std::map<std::string, Entry, std::less<>> controls_;
    QStatusBar* status_ = nullptr;
    QLabel* panes_[pane_count] = {};
    WorkerGroup workers_;
};

// Shows a Main window (after on_show has seen it) and runs the message loop
// until the window is closed; the window then goes, after its workers and the
// jobs writing into it, which no longer wait for it. Gives the loop's exit code.
int run_main_window(const std::function<void(MainWindow&)>& on_show = {});

} // namespace fenrow
