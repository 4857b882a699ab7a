// A large edit box (编辑框_原, 编辑框_后) of our own: it holds the system's
// bytes and their line index (ListText) and draws only the lines in view,
// converting only those to Unicode. No wrapping, both scroll bars always shown.
#pragma once

#include "app/list_file.h"
#include "app/list_text.h"
#include "runtime/text.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>

#include <functional>
#include <vector>

namespace fenrow {

class UiThread;

class ListBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    ListBox(QWidget* parent, UiThread& ui_thread);

    // From any thread; each write raises content_changed once.
    Text text();
    // The text is copied and indexed on the calling thread and moved in.
    void set_text(const Text& t);
    // Inserts at the end and scrolls it into view.
    void append(const Text& t);
    int line_count();
    // The next write keeps the text before it for "撤销上次操作".
    void begin_operation(const Text& undo_note);

    // Raised once per set_text or append, and on every edit by the user.
    std::function<void()> content_changed;
    // Raised with the operation's note when its step is undone.
    std::function<void(const Text&)> operation_undone;

    // What the user can do, on the user-interface thread.
    void paste();
    void copy();
    void cut();
    void undo();
    void undo_operation();
    void redo();
    void select_all();
    // Replaces the text with the file's, as an operation the user can undo;
    // a file that cannot be read says why in a message box and changes nothing.
    bool open_file(const Text& path);
    bool save_file(const Text& path, SaveEncoding e);
    void select(std::size_t anchor, std::size_t caret);
    void erase_selection();

    const ListEditor& editor() const { return editor_; }
    // The caret's place in the viewport.
    QRect caret_rect() const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    int advance(char32_t c) const;
    void font_changed();
    int line_height() const { return line_height_; }
    int rows() const;
    int first_line() const;
    int line_at(int y) const;
    int content_width() const;
    void update_scroll_bars();
    void ensure_caret_visible();
    void click_at(QPoint p, bool extend);
    // After the caret or the text moved: scroll, redraw, tell assistive tools.
    void caret_moved();
    void edited(bool changed);
    void offer_selection();
    void raise_changed();
    void restart_blink();
    void choose_file_to_open();
    void choose_file_to_save();
    void show_replaced_text();

    UiThread& ui_thread_;
    ListEditor editor_;
    mutable std::vector<unsigned short> advances_; // by character below U+10000; 0 not yet measured
    int line_height_ = 1;
    int ascent_ = 0;
    int byte_width_ = 1;
    int widest_drawn_ = 0; // the widest line seen while drawing
    QString preedit_;
    QBasicTimer blink_, drag_scroll_;
    bool caret_shown_ = true;
    bool dragging_ = false;
    QPoint drag_at_;
};

} // namespace fenrow
