#include "app/qt/list_box.h"

#include "app/qt/desktop_qt.h"
#include "app/qt/qt_text.h"
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
#include <optional>

namespace fenrow {

namespace {

constexpr int margin = 4; // between the frame and the text, as the toolkit's box keeps it

// What a stretch of bytes takes in the toolkit's string (the exact form).
QString exact(std::string_view bytes) { return QString::fromStdU16String(text_to_utf16_exact(Text(bytes))); }

int units(std::string_view bytes) { return static_cast<int>(text_to_utf16_exact(Text(bytes)).size()); }

// The text and caret as assistive technology reads them: the lines in view
// and the caret's (accessible_window), so that no question converts the whole
// text; offsets count the toolkit's characters of the exact form from the
// window's start.
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
        if (t == QAccessible::Value)
            return exact(shown());
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) // the words both windows use
            return to_qt(box()->core().name());
        return QAccessibleWidget::text(t);
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
    void setSelection(int, int start, int end) override { box()->select(pos_of(start), pos_of(end)); }
    int cursorPosition() const override { return offset_of(editor().caret()); }
    void setCursorPosition(int position) override
    {
        const std::size_t p = pos_of(position);
        box()->select(p, p);
    }
    QString text(int start, int end) const override { return exact(shown()).mid(start, end - start); }
    int characterCount() const override { return units(shown()); }
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
    std::string_view shown() const
    {
        const ByteSpan s = box()->accessible_span();
        return std::string_view(editor().text().bytes()).substr(s.from, s.to - s.from);
    }
    // A position outside the window counts from its nearer end.
    int offset_of(std::size_t pos) const
    {
        const ByteSpan s = box()->accessible_span();
        return units(std::string_view(editor().text().bytes()).substr(s.from, std::clamp(pos, s.from, s.to) - s.from));
    }
    std::size_t pos_of(int offset) const
    {
        const ListText& t = editor().text();
        const ByteSpan s = box()->accessible_span();
        std::size_t p = s.from;
        for (int at = 0; p < s.to && at < offset;) {
            const std::size_t n = t.next(p);
            at += units(std::string_view(t.bytes()).substr(p, n - p));
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

// The shared key of a key event; none for keys that only type.
std::optional<BoxKey> box_key(int key)
{
    switch (key) {
    case Qt::Key_Left: return BoxKey::left;
    case Qt::Key_Right: return BoxKey::right;
    case Qt::Key_Up: return BoxKey::up;
    case Qt::Key_Down: return BoxKey::down;
    case Qt::Key_Home: return BoxKey::home;
    case Qt::Key_End: return BoxKey::end;
    case Qt::Key_PageUp: return BoxKey::page_up;
    case Qt::Key_PageDown: return BoxKey::page_down;
    case Qt::Key_Backspace: return BoxKey::backspace;
    case Qt::Key_Delete: return BoxKey::del;
    case Qt::Key_Insert: return BoxKey::insert;
    case Qt::Key_Return:
    case Qt::Key_Enter: return BoxKey::enter;
    case Qt::Key_A: return BoxKey::a;
    case Qt::Key_C: return BoxKey::c;
    case Qt::Key_V: return BoxKey::v;
    case Qt::Key_X: return BoxKey::x;
    case Qt::Key_Y: return BoxKey::y;
    case Qt::Key_Z: return BoxKey::z;
    default: return std::nullopt;
    }
}

BoxCommand command_of(const QKeyEvent* e)
{
    switch (e->key()) { // the keys some keyboards have for these
    case Qt::Key_Copy: return {BoxCommand::copy};
    case Qt::Key_Cut: return {BoxCommand::cut};
    case Qt::Key_Paste: return {BoxCommand::paste};
    case Qt::Key_Undo: return {BoxCommand::undo};
    case Qt::Key_Redo: return {BoxCommand::redo};
    default: break;
    }
    const std::optional<BoxKey> k = box_key(e->key());
    return k ? command_for_key(*k, (e->modifiers() & Qt::ControlModifier) != 0, (e->modifiers() & Qt::ShiftModifier) != 0)
             : BoxCommand{};
}

Text file_name_text(const QString& s)
{
    const auto* units = reinterpret_cast<const char16_t*>(s.utf16());
    return text_from_utf16(std::u16string_view(units, static_cast<std::size_t>(s.size())));
}

// A dropped file (a file manager offers its address too, as text).
QString dropped_file(const QMimeData* m)
{
    if (!m->hasUrls())
        return {};
    const QList<QUrl> urls = m->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

} // namespace

ListBox::ListBox(QWidget* parent)
    : QAbstractScrollArea(parent), core_([this](char32_t c) { return advance(c); }), advances_(0x10000, 0)
{
    static const bool accessible = (QAccessible::installFactory(accessible_list_box), true);
    (void)accessible;
    core_.set_view(this);
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

void ListBox::text_replaced()
{
    widest_drawn_ = 0;
    update_scroll_bars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    tell_accessibility(true);
}

void ListBox::caret_moved(bool text_changed)
{
    if (text_changed)
        update_scroll_bars();
    ensure_caret_visible();
    restart_blink();
    viewport()->update();
    tell_accessibility(text_changed);
}

ByteSpan ListBox::accessible_span() const { return accessible_window(editor(), first_line(), first_line() + rows()); }

// What a screen reader is told costs what is in view, not the whole text: the
// window's text when it changed, and the caret's offset in it.
void ListBox::tell_accessibility(bool text_changed)
{
    if (!QAccessible::isActive())
        return;
    const ByteSpan span = accessible_span();
    const std::string_view bytes = editor().text().bytes();
    if (text_changed || span != accessible_span_) {
        QString now = exact(bytes.substr(span.from, span.to - span.from));
        accessible_span_ = span;
        if (now != accessible_shown_) {
            QAccessibleTextUpdateEvent changed(this, 0, accessible_shown_, now);
            QAccessible::updateAccessibility(&changed);
            accessible_shown_ = std::move(now);
        }
    }
    const std::size_t caret = std::clamp(editor().caret(), span.from, span.to);
    QAccessibleTextCursorEvent moved(this, units(bytes.substr(span.from, caret - span.from)));
    QAccessible::updateAccessibility(&moved);
}

void ListBox::scroll_page(int direction) { verticalScrollBar()->setValue(verticalScrollBar()->value() + direction * rows()); }

// X11 gives no text both for a clipboard without any and for an owner that
// does not answer in time: either way there is no text.
ClipboardRead ListBox::clipboard_text(PasteSource from)
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QClipboard::Mode mode = from == PasteSource::selection ? QClipboard::Selection : QClipboard::Clipboard;
    const QMimeData* offered = clipboard != nullptr ? clipboard->mimeData(mode) : nullptr;
    if (offered == nullptr || !offered->hasText())
        return {};
    return {ClipboardRead::text, from_pasted(offered->text())};
}

bool ListBox::clipboard_has_text()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr && !clipboard->text().isEmpty();
}

// Lines end in LF alone on the clipboard; every byte keeps its exact form.
void ListBox::put_on_clipboard(const Text& t) { put_secret_text(to_box(t)); }

std::optional<Text> ListBox::choose_file_to_open()
{
    const FileDialogWords& w = file_dialog_words();
    const QString name = QFileDialog::getOpenFileName(this, to_qt(w.open_title), {},
                                                      to_qt(w.text_files + " (*.txt);;" + w.all_files + " (*)"));
    return name.isEmpty() ? std::nullopt : std::optional<Text>(file_name_text(name));
}

std::optional<std::pair<Text, SaveEncoding>> ListBox::choose_file_to_save()
{
    const FileDialogWords& w = file_dialog_words();
    const QString gbk = to_qt(w.gbk_text_files + " (*.txt)"), utf8 = to_qt(w.utf8_text_files + " (*.txt)");
    QString chosen = gbk;
    const QString name = QFileDialog::getSaveFileName(this, to_qt(w.save_title), {}, gbk + QStringLiteral(";;") + utf8, &chosen);
    if (name.isEmpty())
        return std::nullopt;
    return std::pair{file_name_text(name), chosen == utf8 ? SaveEncoding::utf8 : SaveEncoding::gbk};
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

int ListBox::preedit_width() const { return preedit_.isEmpty() ? 0 : fontMetrics().horizontalAdvance(preedit_); }

int ListBox::content_width() const
{
    // An estimate from the longest line's bytes, never a layout of every line.
    const auto estimate = std::min<std::size_t>(editor().text().longest_line() * static_cast<std::size_t>(byte_width_), INT_MAX / 2);
    return std::max(static_cast<int>(estimate), widest_drawn_) + 2 * margin + 1;
}

void ListBox::update_scroll_bars()
{
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(editor().text().line_count() - rows(), 0));
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
    const int line = editor().text().line_of(editor().caret());
    const int x = margin + editor().x_of(editor().caret()) + preedit_width() - horizontalScrollBar()->value();
    return QRect(x, (line - first_line()) * line_height_, 1, line_height_);
}

void ListBox::ensure_caret_visible()
{
    const int line = editor().text().line_of(editor().caret());
    QScrollBar* v = verticalScrollBar();
    if (line < v->value())
        v->setValue(line);
    else if (line >= v->value() + rows())
        v->setValue(line - rows() + 1);
    const int x = editor().x_of(editor().caret()) + preedit_width();
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

    const int first = first_line(), scrolled = horizontalScrollBar()->value();
    const int last = std::min(editor().text().line_count(), first + viewport()->height() / line_height_ + 1);
    const int pre_w = preedit_width();
    const int dx = margin - scrolled;
    int widest = widest_drawn_;
    LineLayout laid;
    for (int line = first; line < last; ++line) {
        const int top = (line - first) * line_height_;
        lay_out_line(editor(), line, scrolled - margin, scrolled + viewport()->width(), pre_w, measured_line_bytes, laid);
        widest = std::max(widest, laid.width);
        if (laid.selection_x >= 0)
            p.fillRect(QRect(dx + laid.selection_x, top, laid.selection_end - laid.selection_x, line_height_), highlight);
        for (const GlyphRun& r : laid.runs) {
            p.setPen(r.style == RunStyle::selected ? highlighted : r.style == RunStyle::marker ? marker_colour : text_colour);
            p.drawText(QPoint(dx + r.x, top + ascent_), QString::fromStdU16String(r.text));
        }
        if (pre_w > 0 && laid.insert_x >= 0) {
            p.setPen(text_colour);
            p.fillRect(QRect(dx + laid.insert_x, top, pre_w, line_height_), pal.color(QPalette::Base));
            p.drawText(QPoint(dx + laid.insert_x, top + ascent_), preedit_);
            p.drawLine(dx + laid.insert_x, top + line_height_ - 1, dx + laid.insert_x + pre_w, top + line_height_ - 1);
        }
        if (laid.caret_x >= 0 && caret_shown_ && hasFocus())
            p.fillRect(QRect(dx + laid.caret_x, top, 1, line_height_), text_colour);
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

void ListBox::scrollContentsBy(int, int)
{
    viewport()->update();
    tell_accessibility(false);
}

bool ListBox::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        // The box's own keys are not taken by the window's shortcuts.
        auto* k = static_cast<QKeyEvent*>(e);
        if (command_of(k).kind != BoxCommand::none || (!k->text().isEmpty() && !(k->modifiers() & Qt::ControlModifier))) {
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
    if (const BoxCommand c = command_of(e); c.kind != BoxCommand::none) {
        core_.run(c);
    } else {
        const Text typed = (e->modifiers() & Qt::ControlModifier) ? Text() : typed_bytes(e->text());
        if (typed.empty()) {
            e->ignore();
            return;
        }
        core_.type(typed.view());
    }
    e->accept();
}

void ListBox::click_at(QPoint at, bool extend)
{
    core_.click(line_at(at.y()), at.x() - margin + horizontalScrollBar()->value(), extend);
}

void ListBox::mousePressEvent(QMouseEvent* e)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (e->button() == Qt::MiddleButton && clipboard != nullptr && clipboard->supportsSelection()) {
        // The desktop's selection goes in where the middle button clicks.
        click_at(e->position().toPoint(), false);
        core_.paste(PasteSource::selection);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    click_at(e->position().toPoint(), (e->modifiers() & Qt::ShiftModifier) != 0);
    dragging_ = true;
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
    if (clipboard != nullptr && clipboard->supportsSelection() && editor().has_selection() &&
        editor().selected().size() <= largest_offered)
        put_secret_text(to_box(Text(editor().selected())), true);
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    click_at(e->position().toPoint(), false);
    core_.select_word(editor().caret());
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
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

namespace {

void add_items(QMenu& menu, const std::vector<BoxMenuItem>& items, ListBoxCore& core)
{
    for (const BoxMenuItem& item : items) {
        if (item.separator()) {
            menu.addSeparator();
        } else if (!item.items.empty()) {
            QMenu* submenu = menu.addMenu(to_qt(item.caption));
            submenu->setEnabled(item.enabled);
            add_items(*submenu, item.items, core);
        } else {
            QAction* a = menu.addAction(to_qt(item.caption), &menu, [&core, id = item.id()] { core.choose(id); });
            a->setEnabled(item.enabled);
        }
    }
}

} // namespace

void ListBox::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    add_items(menu, core_.menu(), core_);
    menu.exec(e->globalPos());
}

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
    e->acceptProposedAction();
}

void ListBox::dropEvent(QDropEvent* e)
{
    if (const QString file = dropped_file(e->mimeData()); !file.isEmpty()) {
        e->acceptProposedAction();
        core_.open_file(file_name_text(file));
        return;
    }
    if (!e->mimeData()->hasText())
        return;
    click_at(e->position().toPoint(), false);
    core_.insert(from_pasted(e->mimeData()->text()).view());
    e->acceptProposedAction();
}

void ListBox::inputMethodEvent(QInputMethodEvent* e)
{
    preedit_ = e->preeditString();
    if (!e->commitString().isEmpty())
        core_.type(typed_bytes(e->commitString()).view());
    else
        caret_moved(false);
    e->accept();
}

QVariant ListBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const ListText& t = editor().text();
    const std::size_t caret = editor().caret();
    const std::size_t start = t.line_start(t.line_of(caret));
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImFont: return font();
    case Qt::ImCursorRectangle: return QRectF(caret_rect().translated(viewport()->pos()));
    case Qt::ImSurroundingText: return exact(t.line(t.line_of(caret)));
    case Qt::ImCursorPosition: return units(std::string_view(t.bytes()).substr(start, caret - start));
    case Qt::ImAnchorPosition: {
        const std::size_t anchor = std::clamp(editor().anchor(), start, t.line_end(t.line_of(caret)));
        return units(std::string_view(t.bytes()).substr(start, anchor - start));
    }
    case Qt::ImCurrentSelection: return exact(editor().selected().substr(0, 4096));
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
