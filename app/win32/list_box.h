// A large box on Windows: the shared behaviour (ListBoxCore) drawn a line at
// a time and only the lines in view, so a million lines go in and out at
// memory speed. It asks its parent for colours as an edit box does
// (WM_CTLCOLOREDIT). On the user-interface thread only; the window carries
// workers' calls there.
#pragma once

#include "app/control_table.h"
#include "app/list_box_core.h"

#include <windows.h>

#include <vector>

namespace fenrow {

class WorkPool;

class ListBox : private ListBoxView {
public:
    static HWND create(HWND parent, int id, const Rect& r, HFONT font);
    // The box behind a window handle; nullptr for any other window.
    static ListBox* of(HWND h);

    ListBoxCore& core() { return core_; }
    // The window's pool, for converting a long paste on its threads.
    void set_pool(WorkPool* pool) { pool_ = pool; }
    const ListEditor& editor() const { return core_.editor(); }

private:
    explicit ListBox(HWND h) : hwnd_(h), core_([this](char32_t c) { return advance(c); }) { core_.set_view(this); }
    static LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM w, LPARAM l);
    LRESULT handle(UINT msg, WPARAM w, LPARAM l);

    // The view the shared behaviour works through.
    void text_replaced() override;
    void caret_moved(bool text_changed) override;
    int page_lines() override;
    void scroll_page(int direction) override;
    ClipboardRead clipboard_text(PasteSource from) override;
    bool clipboard_has_text() override;
    void put_on_clipboard(const Text& t) override;
    std::optional<Text> choose_file_to_open() override;
    std::optional<std::pair<Text, SaveEncoding>> choose_file_to_save() override;

    int advance(char32_t c);
    void set_font(HFONT font);
    void paint();
    void on_key(WPARAM key);
    void on_char(wchar_t c);
    void on_mouse(LPARAM at, bool extend);
    void on_scroll(int bar, int code);
    void show_menu(LPARAM at);
    void on_drop(WPARAM drop); // an HDROP
    void reveal();
    void scroll_to(int top_line, int x);
    void show_caret();
    // The scroll bars as the box is now: asked for, then set at the next paint.
    void update_bars();
    void apply_bars();
    struct Bar {
        int max, page, pos;
        friend bool operator==(const Bar&, const Bar&) = default;
    };
    void set_bar(int bar, const Bar& b, Bar& shown);
    int line_count() const { return editor().text().line_count(); }
    int content_width() const;
    int text_left() const { return margin_ - scroll_x_; }
    // Screen readers and magnifiers (box_accessible.h).
    void tell_readers(bool text_changed);

    HWND hwnd_;
    ListBoxCore core_;
    WorkPool* pool_ = nullptr;
    HFONT font_ = nullptr;
    HDC measure_dc_ = nullptr;
    int line_height_ = 16;
    int byte_width_ = 6; // guesses a line's width from its bytes before it is drawn
    int margin_ = 2;     // left of the text, and kept clear right of the longest line
    int caret_width_ = 1;
    int widest_ = 0;
    int top_line_ = 0;
    int scroll_x_ = 0;
    int wheel_ = 0;
    wchar_t high_surrogate_ = 0;
    bool dragging_ = false;
    bool bars_due_ = false;
    Bar shown_vertical_{-1, -1, -1}, shown_horizontal_{-1, -1, -1}; // as last set
    std::vector<unsigned short> widths_ = std::vector<unsigned short>(0x10000, 0xFFFF);
    LineLayout laid_;
    // What screen readers were last told about: the caret's line and the selection.
    int told_line_ = -1;
    std::size_t told_caret_ = 0, told_anchor_ = 0;
};

} // namespace fenrow
