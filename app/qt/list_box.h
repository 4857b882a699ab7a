// A large edit box (编辑框_原, 编辑框_后) in Qt: the shared behaviour
// (ListBoxCore) drawn a visible line at a time, converting only those lines
// to Unicode. No wrapping, both scroll bars always shown. On the
// user-interface thread only; the window carries workers' calls there.
#pragma once

#include "app/list_box_core.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QString>

#include <vector>

namespace fenrow {

class ListBox : public QAbstractScrollArea, private ListBoxView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent);

    ListBoxCore& core() { return core_; }
    const ListEditor& editor() const { return core_.editor(); }
    // The caret's place in the viewport.
    QRect caret_rect() const;
    void select(std::size_t anchor, std::size_t caret) { core_.select(anchor, caret); }
    // What a screen reader is given: the lines in view and the caret's.
    ByteSpan accessible_span() const;

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
    // The view the shared behaviour works through.
    void text_replaced() override;
    void caret_moved(bool text_changed) override;
    int page_lines() override { return rows(); }
    void scroll_page(int direction) override;
    ClipboardRead clipboard_text(PasteSource from) override;
    bool clipboard_has_text() override;
    void put_on_clipboard(const Text& t) override;
    std::optional<Text> choose_file_to_open() override;
    std::optional<std::pair<Text, SaveEncoding>> choose_file_to_save() override;

    int advance(char32_t c) const;
    void font_changed();
    int rows() const;
    int first_line() const;
    int line_at(int y) const;
    int preedit_width() const;
    int content_width() const;
    void update_scroll_bars();
    void ensure_caret_visible();
    void click_at(QPoint p, bool extend);
    void offer_selection();
    void restart_blink();
    void tell_accessibility(bool text_changed);

    ListBoxCore core_;
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
    ByteSpan accessible_span_;  // as last told
    QString accessible_shown_; // its text as last told
};

} // namespace fenrow
