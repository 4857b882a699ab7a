// A large box on Windows: the shared list text, drawn a line at a time and
// only the lines in view, so a million lines go in and out at memory speed.
// It tells its parent of the user's edits as an edit box does (EN_CHANGE) and
// asks it for colours the same way (WM_CTLCOLOREDIT).
#pragma once

#include "app/list_file.h"
#include "app/list_text.h"

#include <windows.h>

#include <functional>

#include <string>
#include <vector>

namespace fenrow {

class ListBox {
public:
    static HWND create(HWND parent, int id, int left, int top, int width, int height, HFONT font);
    // The box behind a window handle; nullptr for any other window.
    static ListBox* of(HWND h);

    const ListEditor& editor() const { return editor_; }
    Text text() const { return editor_.text().text(); }
    int line_count() const { return editor_.text().line_count(); }
    // The program's writes: no EN_CHANGE, no typing to undo; an operation's
    // first write after begin_operation keeps the text before it.
    void set_text(ListText t);
    void append(const Text& t);
    void begin_operation(const Text& undo_note) { editor_.begin_operation(undo_note); }
    // Raised with the operation's note when its step is undone.
    std::function<void(const Text&)> operation_undone;
    // Edits as the user's: EN_CHANGE, one undo step.
    void paste_clipboard();
    // The file's text in place of the box's, as an operation Ctrl+Z takes
    // back; a file that cannot be read says why in a message box.
    bool open_file(const Text& path);
    bool save_file(const Text& path, SaveEncoding e);
    void select(std::size_t anchor, std::size_t caret);
    void select_all() { select(0, editor_.text().size()); }

private:
    explicit ListBox(HWND h) : hwnd_(h), editor_([this](char32_t c) { return advance(c); }) {}
    static LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM w, LPARAM l);
    LRESULT handle(UINT msg, WPARAM w, LPARAM l);

    int advance(char32_t c);
    void set_font(HFONT font);
    void paint();
    void paint_line(HDC dc, int line, int y, int right);
    void on_key(WPARAM key);
    void on_char(wchar_t c);
    void on_mouse(LPARAM at, bool extend);
    void on_scroll(int bar, int code);
    void show_menu(LPARAM at);
    void copy();
    void cut();
    void undo();
    void choose_file_to_open();
    void choose_file_to_save();
    void on_drop(WPARAM drop); // an HDROP
    // After an edit: the bars, the view, the caret; the parent hears of the user's.
    void changed(bool by_user);
    // After a caret move: the caret into view and the selection redrawn.
    void moved();
    void reveal();
    void scroll_to(int top_line, int x);
    void show_caret();
    void update_bars();
    int page_lines() const;
    int content_width() const;
    int text_left() const { return 2 - scroll_x_; }

    HWND hwnd_;
    ListEditor editor_;
    HFONT font_ = nullptr;
    HDC measure_dc_ = nullptr;
    int line_height_ = 16;
    int byte_width_ = 6; // guesses a line's width from its bytes before it is drawn
    int widest_ = 0;
    int top_line_ = 0;
    int scroll_x_ = 0;
    int wheel_ = 0;
    wchar_t high_surrogate_ = 0;
    bool dragging_ = false;
    std::vector<unsigned short> widths_ = std::vector<unsigned short>(0x10000, 0xFFFF);
    std::vector<wchar_t> run_;
    std::vector<INT> run_dx_;
};

} // namespace fenrow
