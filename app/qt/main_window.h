// The Main window in Qt: the shared window (TableWindow) over the widgets of
// the control table. Workers' calls reach the user-interface thread as posted
// events; the pointer's moves anywhere in the window are its mouse-moved events.
#pragma once

#include "app/table_window.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string_view>

class QLabel;
class QStatusBar;

namespace fenrow {

// The widgets of the table, made and worked as the shared window asks.
class QtControls : public WindowBackend {
public:
    explicit QtControls(QWidget* window) : window_(window) {}

    ListBoxCore* make(const ControlSpec& row) override;
    void place(const ControlSpec& row, const Rect& r) override;
    Text text(const ControlSpec& row) override;
    void set_text(const ControlSpec& row, const Text& t) override;
    bool checked(const ControlSpec& row) override;
    void set_checked(const ControlSpec& row, bool on) override;
    int selection(const ControlSpec& row) override;
    void set_selection(const ControlSpec& row, int index) override;
    Text item(const ControlSpec& row, int index) override;
    void set_pane_text(int pane, const Text& t) override;
    int fitted_width(const ControlSpec& row, CaptionFit fit) override;
    std::pair<int, int> client_size() override;
    bool reports_edit_changes() const override { return true; } // textChanged
    std::optional<FilterOptions> ask_filter(const FilterQuestion& q) override;
    void serve_during_operation(ProgressWatch& watch) override;

    // The widget of a control, or nullptr.
    QWidget* widget(ControlName c) const;
    QLabel* pane(int index) const { return panes_[index]; }
    void dock_status_bar();
    // A button was clicked.
    std::function<void(ControlName)> clicked;
    // A small edit box's content changed.
    std::function<void(ControlName)> edited;

private:
    void build_status_bar();

    QWidget* window_;
    std::map<std::string_view, QWidget*, std::less<>> widgets_;
    QStatusBar* status_ = nullptr;
    QLabel* panes_[pane_count] = {};
};

// The widgets are made before the shared window that holds on to them.
struct QtControlsHolder {
    explicit QtControlsHolder(QWidget* window) : widgets(window) {}
    QtControls widgets;
};

class MainWindow : public QWidget, private QtControlsHolder, public TableWindow {
public:
    // Built with the option boxes' settings of the last run put back.
    MainWindow();
    // Closes the shared window (workers let go and waited for) before the
    // widgets go.
    ~MainWindow() override;

    using TableWindow::raise; // not the widget's own raise()
    QWidget* widget(ControlName c) const { return widgets.widget(c); }
    QLabel* pane(int index) const { return widgets.pane(index); }

protected:
    bool event(QEvent* e) override;
    // The option boxes' settings saved (window_settings.h).
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

// Shows a Main window (after on_show has seen it) and runs the message loop
// until the window is closed; the window then goes, after its workers and the
// jobs writing into it, which no longer wait for it. Gives the loop's exit code.
int run_main_window(const std::function<void(MainWindow&)>& on_show = {});

} // namespace fenrow
