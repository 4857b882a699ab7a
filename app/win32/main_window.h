// The Main window on Windows: the control table made of the system's own
// controls, events passed to the shell's event table, and the control access
// for operations and handlers. Workers' calls run on the window's thread.
#pragma once

#include "app/shell.h"
#include "app/win32/ui_calls.h"
#include "ops/controls.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace fenrow {

class ListBox;

class Win32Window : public WindowControls {
public:
    Win32Window();
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND handle() const { return hwnd_; }
    HWND control_handle(ControlName c) const;
    // Tests watch the events the window raises.
    std::function<void(ControlName, Event)> event_observer;
    // Handles the message if it belongs to the window's hints or keys; false
    // lets the loop dispatch it.
    bool preview(MSG& msg);
    // Runs f on the window's thread while the caller waits.
    template <typename F>
    auto on_ui_thread(F f) -> decltype(f())
    {
        return calls_.call(std::move(f));
    }

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

private:
    struct Entry {
        const ControlSpec* row;
        HWND hwnd;
        Rect geometry;
    };

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK control_proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM w, LPARAM l);
    void build();
    HWND make_control(const ControlSpec& row, HWND parent, int id);
    void build_status_bar();
    void raise(ControlName control, Event event);
    void place(ControlName c, const Rect& r);
    void set_edge(ControlName c, int Rect::*edge, int v);
    Entry& entry(ControlName c);
    const Entry* entry_of(HWND h) const;
    HWND edit(ControlName c);
    ListBox& list_box(ControlName c);
    void paste_clipboard(HWND box);
    void on_mouse_move();
    LRESULT colour(HDC dc, HWND control);

    HWND hwnd_ = nullptr;
    HWND status_ = nullptr;
    HFONT font_ = nullptr;
    HFONT link_font_ = nullptr;
    HICON icon_ = nullptr;
    std::map<std::string, Entry, std::less<>> controls_;
    UiCalls calls_;
    WorkerGroup workers_; // last: its workers stop before anything above goes
};

// Shows the window, runs the message loop until it closes; the loop's exit code.
int run_main_window();

} // namespace fenrow
