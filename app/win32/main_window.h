// The Main window on Windows: the shared window (TableWindow) over the
// system's own controls made from the control table. Workers' calls reach the
// window's thread as posted messages.
#pragma once

#include "app/table_window.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string_view>
#include <tuple>

namespace fenrow {

// The system's controls of the table, made and worked as the shared window asks.
class Win32Controls : public WindowBackend {
public:
    Win32Controls() = default;
    ~Win32Controls() override;
    Win32Controls(const Win32Controls&) = delete;
    Win32Controls& operator=(const Win32Controls&) = delete;

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
    bool reports_edit_changes() const override { return true; } // EN_CHANGE
    std::optional<FilterOptions> ask_filter(const FilterQuestion& q) override;
    void serve_during_operation(ProgressWatch& watch) override;

    // The screen's scale: fonts and status panes for it; the window then places and fits the controls.
    void set_scale(Scale s);

    HWND handle(ControlName c) const;
    // The row of a control's window, or nullptr.
    const ControlSpec* row_of(HWND h) const;

    HWND window = nullptr;
    HWND status = nullptr;
    Scale scale;
    HFONT font = nullptr, link_font = nullptr; // the design's font at the scale
    // Group boxes and small edit boxes are subclassed with it.
    SUBCLASSPROC control_proc = nullptr;
    DWORD_PTR owner = 0;

private:
    void build_status_bar();
    void set_status_parts();
    HFONT font_for(CaptionFit fit, bool underline);

    std::map<std::string_view, HWND, std::less<>> handles_;
    std::map<std::tuple<int, int, bool>, HFONT> fonts_; // the fits other than the design's
    int next_id_ = 100;
    HDC measure_dc_ = nullptr; // captions measured for fitting
};

// The controls are made before the shared window that holds on to them.
struct Win32ControlsHolder {
    Win32Controls controls;
};

class Win32Window : private Win32ControlsHolder, public TableWindow {
public:
    Win32Window();
    ~Win32Window() override;

    HWND handle() const { return controls.window; }
    HWND control_handle(ControlName c) const { return controls.handle(c); }
    // Handles the message if it belongs to the window's hints or keys; false
    // lets the loop dispatch it.
    bool preview(MSG& msg);

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK control_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM w, LPARAM l);
    LRESULT colour(HDC dc, HWND control);
    static std::pair<int, int> outer_size(const Scale& scale);
    // Fonts, places and the suggested outer rectangle for a screen of that many pixels per inch.
    void rescale(int dpi, const RECT& suggested);
    void paste_clipboard(HWND box);
    void on_mouse_move();

};

// Shows the window, runs the message loop until it closes; the loop's exit code.
int run_main_window();

} // namespace fenrow
