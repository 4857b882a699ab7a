#include "app/qt/list_box.h"

#include "app/qt/qt_text.h"
#include "app/qt/ui_thread.h"
#include "runtime/codepage.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QUrl>

#include <algorithm>
#include <climits>

namespace fenrow {

namespace {

constexpr int margin = 4; // between the frame and the text, as the toolkit's box keeps it

// What a stretch of bytes takes in the toolkit's string (the exact form).
QString exact(std::string_view bytes) { return QString::fromStdU16String(text_to_utf16_exact(Text(bytes))); }

int units(std::string_view bytes) { return static_cast<int>(text_to_utf16_exact(Text(bytes)).size()); }

// The text and caret as assistive technology reads them; offsets count the
// toolkit's characters of the exact form, so they are found by walking the text.
class ListBoxAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ListBoxAccessible(ListBox* box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.multiLine = true;
        s.focusable = true;
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? exact(bytes()) : QAccessibleWidget::text(t);
    }

    void selection(int index, int* start, int* end) const override
    {
        *start = *end = 0;
        if (index != 0 || !editor().has_selection())
            return;
        const auto [from, to] = editor().selection();
        *start = offset_of(from);
        *end = offset_of(to);
    }
    int selectionCount() const override { return editor().has_selection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void setSelection(int, int start, int end) override
    {
        box()->select(pos_of(start), pos_of(end));
    }
    int cursorPosition() const override { return offset_of(editor().caret()); }
    void setCursorPosition(int position) override
    {
        const std::size_t p = pos_of(position);
        box()->select(p, p);
    }
    QString text(int start, int end) const override { return exact(bytes()).mid(start, end - start); }
    int characterCount() const override { return units(bytes()); }
    QRect characterRect(int offset) const override
    {
        if (offset_of(editor().caret()) != offset)
            return {};
        const QRect r = box()->caret_rect();
        return QRect(box()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    ListBox* box() const { return static_cast<ListBox*>(widget()); }
    const ListEditor& editor() const { return box()->editor(); }
    std::string_view bytes() const { return editor().text().bytes(); }
    int offset_of(std::size_t pos) const { return units(bytes().substr(0, pos)); }
    std::size_t pos_of(int offset) const
    {
        const ListText& t = editor().text();
        std::size_t p = 0;
        for (int at = 0; p < t.size() && at < offset;) {
            const std::size_t n = t.next(p);
            at += units(bytes().substr(p, n - p));
            p = n;
        }
        return p;
    }
};

QAccessibleInterface* accessible_list_box(const QString& key, QObject* o)
{
    if (key == QLatin1String("fenrow::ListBox") && o != nullptr && o->isWidgetType())
        return new ListBoxAccessible(static_cast<ListBox*>(o));
    return nullptr;
}

// Text typed or committed by an input method, as the system's bytes.
Text typed_bytes(const QString& s)
{
    QString kept;
    for (const QChar c : s)
        if (c.unicode() >= 0x20 || c == u'\t')
            kept += c;
    return from_box(kept);
}

} // namespace

ListBox::ListBox(QWidget* parent, UiThread& ui_thread)
    : QAbstractScrollArea(parent), ui_thread_(ui_thread), editor_([this](char32_t c) { return advance(c); }),
      advances_(0x10000, 0)
{
    static const bool accessible = (QAccessible::installFactory(accessible_list_box), true);
    (void)accessible;
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::WheelFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    font_changed();
}

Text ListBox::text()
{
    return ui_thread_.call([&] { return editor_.text().text(); });
}

int ListBox::line_count()
{
    return ui_thread_.call([&] { return editor_.text().line_count(); });
}

void ListBox::set_text(const Text& t)
{
    ListText indexed = ListText::copy_of(t.view());
    indexed.longest_line(); // measured here too, not on the UI thread
    ui_thread_.call([&] {
        editor_.set_text(std::move(indexed));
        show_replaced_text();
        raise_changed(); // once, even for the same text
    });
}

void ListBox::show_replaced_text()
{
    widest_drawn_ = 0;
    update_scroll_bars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

namespace {

Text file_name_text(const QString& s)
{
    const auto* units = reinterpret_cast<const char16_t*>(s.utf16());
    return text_from_utf16(std::u16string_view(units, static_cast<std::size_t>(s.size())));
}

} // namespace

bool ListBox::open_file(const Text& path)
{
    const std::optional<Text> t = open_list_file(path);
    if (!t)
        return false;
    editor_.begin_operation();
    editor_.set_text(ListText::copy_of(t->view()));
    show_replaced_text();
    raise_changed();
    return true;
}

bool ListBox::save_file(const Text& path, SaveEncoding e)
{
    return save_list_file(path, editor_.text().text(), e);
}

void ListBox::choose_file_to_open()
{
    const QString name = QFileDialog::getOpenFileName(this, to_qt("打开文本"_t), {},
                                                      to_qt("文本文件 (*.txt);;所有文件 (*)"_t));
    if (!name.isEmpty())
        open_file(file_name_text(name));
}

void ListBox::choose_file_to_save()
{
    const QString gbk = to_qt("文本文件，GBK 编码 (*.txt)"_t), utf8 = to_qt("文本文件，UTF-8 编码 (*.txt)"_t);
    QString chosen = gbk;
    const QString name = QFileDialog::getSaveFileName(this, to_qt("另存为"_t), {}, gbk + QStringLiteral(";;") + utf8, &chosen);
    if (!name.isEmpty())
        save_file(file_name_text(name), chosen == utf8 ? SaveEncoding::utf8 : SaveEncoding::gbk);
}

void ListBox::begin_operation(const Text& undo_note)
{
    ui_thread_.call([&] { editor_.begin_operation(undo_note); });
}

void ListBox::append(const Text& t)
{
    ui_thread_.call([&] {
        editor_.append(t.view());
        update_scroll_bars();
        caret_moved();
        raise_changed();
    });
}

void ListBox::raise_changed()
{
    if (content_changed)
        content_changed();
}

int ListBox::advance(char32_t c) const
{
    if (c >= 0x10000) {
        const char32_t one[] = {c};
        return fontMetrics().horizontalAdvance(QString::fromUcs4(one, 1));
    }
    unsigned short& a = advances_[c];
    if (a == 0)
        a = static_cast<unsigned short>(std::clamp(fontMetrics().horizontalAdvance(QChar(static_cast<char16_t>(c))), 0, 0xFFFE) + 1);
    return a - 1;
}

void ListBox::font_changed()
{
    const QFontMetrics fm(font());
    line_height_ = std::max(fm.height(), 1);
    ascent_ = fm.ascent();
    byte_width_ = std::max(fm.averageCharWidth(), 1);
    std::fill(advances_.begin(), advances_.end(), 0);
    widest_drawn_ = 0;
    update_scroll_bars();
    viewport()->update();
}

int ListBox::rows() const { return std::max(viewport()->height() / line_height_, 1); }

int ListBox::first_line() const { return verticalScrollBar()->value(); }

int ListBox::line_at(int y) const { return first_line() + (y >= 0 ? y / line_height_ : (y - line_height_ + 1) / line_height_); }

int ListBox::content_width() const
{
    // An estimate from the longest line's bytes, never a layout of every line.
    const auto estimate = std::min<std::size_t>(editor_.text().longest_line() * static_cast<std::size_t>(byte_width_), INT_MAX / 2);
    return std::max(static_cast<int>(estimate), widest_drawn_) + 2 * margin + 1;
}

void ListBox::update_scroll_bars()
{
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(editor_.text().line_count() - rows(), 0));
    v->setPageStep(rows());
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    h->setRange(0, std::max(content_width() - width, 0));
    h->setPageStep(width);
    h->setSingleStep(std::max(2 * byte_width_, 1));
}

QRect ListBox::caret_rect() const
{
    const int line = editor_.text().line_of(editor_.caret());
    const int pre = preedit_.isEmpty() ? 0 : fontMetrics().horizontalAdvance(preedit_);
    const int x = margin + editor_.x_of(editor_.caret()) + pre - horizontalScrollBar()->value();
    return QRect(x, (line - first_line()) * line_height_, 1, line_height_);
}

void ListBox::ensure_caret_visible()
{
    const ListText& t = editor_.text();
    const int line = t.line_of(editor_.caret());
    QScrollBar* v = verticalScrollBar();
    if (line < v->value())
        v->setValue(line);
    else if (line >= v->value() + rows())
        v->setValue(line - rows() + 1);
    const int pre = preedit_.isEmpty() ? 0 : fontMetrics().horizontalAdvance(preedit_);
    const int x = editor_.x_of(editor_.caret()) + pre;
    if (x + 2 * margin > content_width()) {
        widest_drawn_ = x;
        update_scroll_bars();
    }
    QScrollBar* h = horizontalScrollBar();
    const int room = std::max(viewport()->width() - 2 * margin - 1, 1);
    if (x < h->value())
        h->setValue(std::max(x - room / 4, 0));
    else if (x > h->value() + room)
        h->setValue(x - room + room / 4);
}

void ListBox::caret_moved()
{
    ensure_caret_visible();
    restart_blink();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, units(std::string_view(editor_.text().bytes()).substr(0, editor_.caret())));
        QAccessible::updateAccessibility(&moved);
    }
}

void ListBox::edited(bool changed)
{
    if (changed) {
        update_scroll_bars();
        raise_changed();
    }
    caret_moved();
}

void ListBox::restart_blink()
{
    caret_shown_ = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void ListBox::paintEvent(QPaintEvent* e)
{
    QPainter p(viewport());
    const QPalette& pal = palette();
    p.fillRect(e->rect(), pal.color(QPalette::Base));
    QFont f = font();
    f.setKerning(false); // each character at the advance the caret arithmetic gives it
    p.setFont(f);
    const QColor text_colour = pal.color(QPalette::Text), highlight = pal.color(QPalette::Highlight),
                 highlighted = pal.color(QPalette::HighlightedText);
    QColor marker_colour = text_colour;
    marker_colour.setAlphaF(0.45f);

    const ListText& t = editor_.text();
    const int first = first_line(), scrolled = horizontalScrollBar()->value();
    const int right = scrolled + viewport()->width();
    const auto [sel_from, sel_to] = editor_.selection();
    const std::size_t caret = editor_.caret();
    const int caret_line = t.line_of(caret);
    const int pre_w = preedit_.isEmpty() ? 0 : fontMetrics().horizontalAdvance(preedit_);
    const int last = std::min(t.line_count(), first + viewport()->height() / line_height_ + 1);
    int widest = widest_drawn_;

    struct Run {
        int x, end;
        int style; // 1: selected, 2: a marker
        QString s;
    };
    std::vector<Run> runs;
    for (int line = first; line < last; ++line) {
        const int top = (line - first) * line_height_;
        const bool here = line == caret_line;
        runs.clear();
        int x = 0, sel_x0 = -1, sel_x1 = -1, caret_x = -1, pre_x = -1;
        bool whole = true;
        for_each_glyph(t.line(line), t.line_start(line), [&](const Glyph& g) {
            if (here && g.pos == caret) {
                pre_x = x;
                x += pre_w;
                caret_x = x;
            }
            if (x - margin > right) {
                whole = false;
                return false;
            }
            const int w = editor_.width(g, x);
            if (x + w + margin >= scrolled) {
                const bool selected = g.pos >= sel_from && g.pos < sel_to;
                if (selected) {
                    sel_x0 = sel_x0 < 0 ? x : sel_x0;
                    sel_x1 = x + w;
                }
                if (g.c != U'\t') {
                    const int style = (selected ? 1 : 0) | (g.marker ? 2 : 0);
                    if (runs.empty() || runs.back().style != style || runs.back().end != x)
                        runs.push_back({x, x, style, {}});
                    if (g.c >= 0x10000)
                        runs.back().s += QString::fromUcs4(&g.c, 1);
                    else
                        runs.back().s += QChar(static_cast<char16_t>(g.c));
                    runs.back().end = x + w;
                }
            }
            x += w;
            return true;
        });
        if (whole) {
            if (here && caret_x < 0) {
                pre_x = x;
                x += pre_w;
                caret_x = x;
            }
            widest = std::max(widest, x);
            // A selected line break shows as a space's width of highlight.
            if (sel_from <= t.line_end(line) && sel_to > t.line_end(line)) {
                sel_x0 = sel_x0 < 0 ? x : sel_x0;
                sel_x1 = x + advance(U' ');
            }
        }
        const int dx = margin - scrolled;
        if (sel_x0 >= 0)
            p.fillRect(QRect(dx + sel_x0, top, sel_x1 - sel_x0, line_height_), highlight);
        for (const Run& r : runs) {
            p.setPen((r.style & 2) != 0 ? marker_colour : (r.style & 1) != 0 ? highlighted : text_colour);
            p.drawText(QPoint(dx + r.x, top + ascent_), r.s);
        }
        if (here && pre_w > 0 && pre_x >= 0) {
            p.setPen(text_colour);
            p.fillRect(QRect(dx + pre_x, top, pre_w, line_height_), pal.color(QPalette::Base));
            p.drawText(QPoint(dx + pre_x, top + ascent_), preedit_);
            p.drawLine(dx + pre_x, top + line_height_ - 1, dx + pre_x + pre_w, top + line_height_ - 1);
        }
        if (here && caret_x >= 0 && caret_shown_ && hasFocus())
            p.fillRect(QRect(dx + caret_x, top, 1, line_height_), text_colour);
    }
    if (widest > widest_drawn_ && widest + 2 * margin > content_width()) {
        widest_drawn_ = widest;
        // Not from inside the paint: the bar's change asks for another one.
        QMetaObject::invokeMethod(this, [this] { update_scroll_bars(); }, Qt::QueuedConnection);
    }
    widest_drawn_ = std::max(widest_drawn_, widest);
}

void ListBox::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    update_scroll_bars();
}

void ListBox::scrollContentsBy(int, int) { viewport()->update(); }

bool ListBox::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // The box's own keys are not taken by the window's shortcuts.
        auto* k = static_cast<QKeyEvent*>(e);
        const bool ours = k->matches(QKeySequence::Copy) || k->matches(QKeySequence::Cut) ||
                          k->matches(QKeySequence::Paste) || k->matches(QKeySequence::Undo) ||
                          k->matches(QKeySequence::Redo) || k->matches(QKeySequence::SelectAll) ||
                          (!k->text().isEmpty() && !(k->modifiers() & Qt::ControlModifier));
        if (ours) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

// Tab is typed into the box, as in the toolkit's box.
bool ListBox::focusNextPrevChild(bool) { return false; }

void ListBox::keyPressEvent(QKeyEvent* e)
{
    const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    const auto move = [&](Move m) {
        editor_.move(m, shift, rows());
        caret_moved();
    };
    if (e->matches(QKeySequence::SelectAll))
        select_all();
    else if (e->matches(QKeySequence::Copy))
        copy();
    else if (e->matches(QKeySequence::Cut))
        cut();
    else if (e->matches(QKeySequence::Paste))
        paste();
    else if (e->matches(QKeySequence::Undo))
        undo();
    else if (e->matches(QKeySequence::Redo))
        redo();
    else {
        switch (e->key()) {
        case Qt::Key_Left: move(ctrl ? Move::word_left : Move::left); break;
        case Qt::Key_Right: move(ctrl ? Move::word_right : Move::right); break;
        case Qt::Key_Up: move(Move::up); break;
        case Qt::Key_Down: move(Move::down); break;
        case Qt::Key_Home: move(ctrl ? Move::text_start : Move::line_start); break;
        case Qt::Key_End: move(ctrl ? Move::text_end : Move::line_end); break;
        case Qt::Key_PageUp:
            verticalScrollBar()->setValue(verticalScrollBar()->value() - rows());
            move(Move::page_up);
            break;
        case Qt::Key_PageDown:
            verticalScrollBar()->setValue(verticalScrollBar()->value() + rows());
            move(Move::page_down);
            break;
        case Qt::Key_Backspace: edited(ctrl ? editor_.erase_to(Move::word_left) : editor_.erase_back()); break;
        case Qt::Key_Delete: edited(ctrl ? editor_.erase_to(Move::word_right) : editor_.erase_forward()); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: edited(editor_.type("\r\n")); break;
        default: {
            const Text typed = ctrl ? Text() : typed_bytes(e->text());
            if (typed.empty()) {
                e->ignore();
                return;
            }
            edited(editor_.type(typed.view()));
        }
        }
    }
    e->accept();
}

void ListBox::click_at(QPoint at, bool extend)
{
    editor_.click(line_at(at.y()), at.x() - margin + horizontalScrollBar()->value(), extend);
}

void ListBox::mousePressEvent(QMouseEvent* e)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (e->button() == Qt::MiddleButton && clipboard != nullptr && clipboard->supportsSelection()) {
        // The desktop's selection goes in where the middle button clicks.
        click_at(e->position().toPoint(), false);
        edited(editor_.insert(from_pasted(clipboard->text(QClipboard::Selection)).view()));
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    click_at(e->position().toPoint(), (e->modifiers() & Qt::ShiftModifier) != 0);
    dragging_ = true;
    caret_moved();
}

void ListBox::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_ || !(e->buttons() & Qt::LeftButton))
        return;
    drag_at_ = e->position().toPoint();
    click_at(drag_at_, true);
    if (viewport()->rect().contains(drag_at_))
        drag_scroll_.stop();
    else if (!drag_scroll_.isActive())
        drag_scroll_.start(50, this);
    caret_moved();
}

void ListBox::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        dragging_ = false;
        drag_scroll_.stop();
        offer_selection();
    }
}

void ListBox::offer_selection()
{
    // What the mouse selected becomes the desktop's selection, for a middle
    // click elsewhere; a selection of megabytes is not converted for it.
    QClipboard* clipboard = QGuiApplication::clipboard();
    constexpr std::size_t largest_offered = 1 << 20;
    if (clipboard != nullptr && clipboard->supportsSelection() && editor_.has_selection() &&
        editor_.selected().size() <= largest_offered)
        clipboard->setText(to_box(Text(editor_.selected())), QClipboard::Selection);
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    click_at(e->position().toPoint(), false);
    editor_.select_word(editor_.caret());
    caret_moved();
    offer_selection();
}

void ListBox::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == blink_.timerId()) {
        caret_shown_ = !caret_shown_;
        viewport()->update(caret_rect());
    } else if (e->timerId() == drag_scroll_.timerId()) {
        // The selection grows a line or a step at a time while the pointer is beyond the edge.
        QScrollBar* v = verticalScrollBar();
        QScrollBar* h = horizontalScrollBar();
        if (drag_at_.y() < 0)
            v->setValue(v->value() - 1);
        else if (drag_at_.y() >= viewport()->height())
            v->setValue(v->value() + 1);
        if (drag_at_.x() < 0)
            h->setValue(h->value() - h->singleStep());
        else if (drag_at_.x() >= viewport()->width())
            h->setValue(h->value() + h->singleStep());
        click_at(QPoint(std::clamp(drag_at_.x(), 0, viewport()->width()), std::clamp(drag_at_.y(), 0, viewport()->height() - 1)), true);
        caret_moved();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void ListBox::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    const bool selection = editor_.has_selection();
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const auto add = [&](const Text& name, bool enabled, void (ListBox::*what)()) {
        QAction* a = menu.addAction(to_qt(name), this, what);
        a->setEnabled(enabled);
    };
    add("撤销"_t, editor_.can_undo_typing(), &ListBox::undo);
    add("撤销上次操作"_t, editor_.can_undo_operation(), &ListBox::undo_operation);
    add("重做"_t, editor_.can_redo(), &ListBox::redo);
    menu.addSeparator();
    add("剪切"_t, selection, &ListBox::cut);
    add("复制"_t, selection, &ListBox::copy);
    add("粘贴"_t, clipboard != nullptr && !clipboard->text().isEmpty(), &ListBox::paste);
    add("删除"_t, selection, &ListBox::erase_selection);
    menu.addSeparator();
    add("全选"_t, editor_.text().size() > 0, &ListBox::select_all);
    menu.addSeparator();
    add("打开文本…"_t, true, &ListBox::choose_file_to_open);
    add("另存为…"_t, true, &ListBox::choose_file_to_save);
    menu.exec(e->globalPos());
}

namespace {

// A dropped file (a file manager offers its address too, as text).
QString dropped_file(const QMimeData* m)
{
    if (!m->hasUrls())
        return {};
    const QList<QUrl> urls = m->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

} // namespace

void ListBox::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasText() || !dropped_file(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void ListBox::dragMoveEvent(QDragMoveEvent* e)
{
    if (!dropped_file(e->mimeData()).isEmpty()) {
        e->acceptProposedAction();
        return;
    }
    if (!e->mimeData()->hasText())
        return;
    click_at(e->position().toPoint(), false); // the caret shows where it will land
    caret_moved();
    e->acceptProposedAction();
}

void ListBox::dropEvent(QDropEvent* e)
{
    if (const QString file = dropped_file(e->mimeData()); !file.isEmpty()) {
        e->acceptProposedAction();
        open_file(file_name_text(file));
        return;
    }
    if (!e->mimeData()->hasText())
        return;
    click_at(e->position().toPoint(), false);
    edited(editor_.insert(from_pasted(e->mimeData()->text()).view()));
    e->acceptProposedAction();
}

void ListBox::copy()
{
    // Lines end in LF alone on the clipboard; every byte keeps its exact form.
    if (editor_.has_selection())
        QGuiApplication::clipboard()->setText(to_box(Text(editor_.selected())));
}

void ListBox::cut()
{
    if (!editor_.has_selection())
        return;
    copy();
    edited(editor_.insert({}));
}

void ListBox::paste()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return;
    const Text pasted = from_pasted(clipboard->text());
    edited(editor_.insert(pasted.view()));
}

void ListBox::undo()
{
    if (editor_.can_undo_typing())
        edited(editor_.undo());
    else
        undo_operation();
}

void ListBox::undo_operation()
{
    const Text note = editor_.operation_note();
    if (!editor_.undo_operation())
        return;
    show_replaced_text();
    raise_changed();
    if (operation_undone)
        operation_undone(note);
}

void ListBox::redo() { edited(editor_.redo()); }

void ListBox::select_all()
{
    editor_.select_all();
    caret_moved();
}

void ListBox::select(std::size_t anchor, std::size_t caret)
{
    editor_.select(anchor, caret);
    caret_moved();
}

void ListBox::erase_selection() { edited(editor_.insert({})); }

void ListBox::inputMethodEvent(QInputMethodEvent* e)
{
    bool changed = false;
    if (!e->commitString().isEmpty())
        changed = editor_.type(typed_bytes(e->commitString()).view());
    preedit_ = e->preeditString();
    edited(changed);
    e->accept();
}

QVariant ListBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const ListText& t = editor_.text();
    const std::size_t caret = editor_.caret();
    const std::size_t start = t.line_start(t.line_of(caret));
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImFont: return font();
    case Qt::ImCursorRectangle: return QRectF(caret_rect().translated(viewport()->pos()));
    case Qt::ImSurroundingText: return exact(t.line(t.line_of(caret)));
    case Qt::ImCursorPosition: return units(std::string_view(t.bytes()).substr(start, caret - start));
    case Qt::ImAnchorPosition: {
        const std::size_t anchor = std::clamp(editor_.anchor(), start, t.line_end(t.line_of(caret)));
        return units(std::string_view(t.bytes()).substr(start, anchor - start));
    }
    case Qt::ImCurrentSelection: return exact(editor_.selected().substr(0, 4096));
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void ListBox::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    restart_blink();
    viewport()->update();
}

void ListBox::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    blink_.stop();
    viewport()->update();
}

void ListBox::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        font_changed();
    else if (e->type() == QEvent::PaletteChange)
        viewport()->update();
}

} // namespace fenrow
