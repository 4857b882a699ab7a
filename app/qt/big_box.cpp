#include "app/qt/big_box.h"

#include "app/qt/qt_text.h"
#include "app/qt/ui_thread.h"
#include "runtime/codepage.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextDocumentLayout>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>

namespace fenrow {

namespace {

// A plain-text document for a large box, built on the calling thread and
// handed to the UI thread.
QTextDocument* build_document(const QString& box_text, const QFont& font, QThread* ui_thread)
{
    auto* doc = new QTextDocument;
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(font);
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(box_text);
    doc->setUndoRedoEnabled(true);
    doc->moveToThread(ui_thread);
    return doc;
}

std::mutex reapers_mutex;
std::condition_variable reaper_done;
int reapers = 0;

// Freeing a document of a million lines takes seconds: once the current event
// is over (no cursor of the caller's still points into it), a thread of its own does it.
void discard_document(QTextDocument* doc)
{
    doc->setParent(nullptr);
    QTimer::singleShot(0, [doc] {
        QThread* reaper = QThread::create([doc] {
            delete doc;
            {
                const std::lock_guard lock(reapers_mutex);
                --reapers;
            }
            reaper_done.notify_all();
        });
        doc->moveToThread(reaper);
        QObject::connect(reaper, &QThread::finished, reaper, &QObject::deleteLater);
        {
            const std::lock_guard lock(reapers_mutex);
            ++reapers;
        }
        reaper->start();
    });
}

// The toolkit lays a line out whole: one of a million bytes keeps the window
// busy for a second or more before it shows.
constexpr std::size_t very_long_line = 1000 * 1000;

bool has_very_long_line(const Text& t)
{
    std::string_view s = t.view();
    while (s.size() >= very_long_line) {
        const std::size_t end = s.find('\n');
        if (end == std::string_view::npos || end >= very_long_line)
            return true;
        s.remove_prefix(end + 1);
    }
    return false;
}

// While a box lays out a very long line: says so in the hint pane and shows the
// busy pointer, then puts the hint back.
class LongLineNote {
public:
    explicit LongLineNote(QLabel* pane) : pane_(pane), before_(pane ? pane->text() : QString())
    {
        if (pane_ != nullptr) {
            pane_->setText(to_qt("正在显示很长的一行，请稍候……"_t));
            pane_->repaint();
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~LongLineNote()
    {
        QApplication::restoreOverrideCursor();
        if (pane_ != nullptr)
            pane_->setText(before_);
    }
    LongLineNote(const LongLineNote&) = delete;
    LongLineNote& operator=(const LongLineNote&) = delete;

private:
    QLabel* pane_;
    QString before_;
};

} // namespace

BigBox::BigBox(QWidget* parent, UiThread& ui_thread) : QPlainTextEdit(parent), ui_thread_(ui_thread)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Both bars always: this also spares a relayout of every line when the vertical bar would appear.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
    connect(this, &QPlainTextEdit::textChanged, this, &BigBox::raise_changed);
}

void BigBox::raise_changed()
{
    if (content_changed)
        content_changed();
}

Text BigBox::text()
{
    return ui_thread_.call([&] { return from_box(document()->toRawText()); });
}

int BigBox::line_count()
{
    return ui_thread_.call([&] { return blockCount(); });
}

void BigBox::set_text(const Text& t)
{
    // A large document is also swapped out whole rather than emptied in place.
    const bool large_now = ui_thread_.call([&] { return document()->characterCount() >= large_text / 2; });
    if (t.size() < large_text && !large_now) {
        const QString box_text = to_box(t);
        ui_thread_.call([&] {
            {
                const QSignalBlocker quiet(this);
                setPlainText(box_text);
            }
            raise_changed(); // once, even for the same text
        });
        return;
    }
    const bool long_line = has_very_long_line(t);
    QThread* const ui = thread();
    if (!ui_thread_.here()) {
        // A worker builds the document itself and waits only for the hand-over.
        const QFont font = ui_thread_.call([&] { return this->font(); });
        QTextDocument* doc = build_document(to_box(t), font, ui);
        const bool handed = ui_thread_.call([&] {
            hand_over(doc, long_line);
            return true;
        });
        if (!handed) // the window has gone
            delete doc;
        return;
    }
    // The UI thread keeps painting while another thread builds it; user input
    // and workers' calls wait until the box holds the new text.
    const UiThread::Hold hold(ui_thread_);
    QTextDocument* doc = nullptr;
    const QFont f = font();
    ui_thread_.run_aside([&] { doc = build_document(to_box(t), f, ui); });
    hand_over(doc, long_line);
}

void BigBox::hand_over(QTextDocument* doc, bool long_line)
{
    std::optional<LongLineNote> note;
    if (long_line)
        note.emplace(note_pane);
    {
        const QSignalBlocker quiet(this);
        // The box's first document belongs to its text control, which deletes
        // it; the ones handed over here belong to the box.
        QTextDocument* old = document();
        const bool ours = old->parent() == this;
        doc->setParent(this);
        setDocument(doc);
        if (ours)
            discard_document(old);
    }
    if (long_line)
        viewport()->repaint(); // the layout happens here, while the note shows
    raise_changed();
}

void BigBox::append(const Text& t)
{
    const bool long_line = has_very_long_line(t);
    const QString box_text = to_box(t);
    ui_thread_.call([&] {
        std::optional<LongLineNote> note;
        if (long_line)
            note.emplace(note_pane);
        {
            const QSignalBlocker quiet(this);
            append_on_ui(box_text);
        }
        if (long_line)
            viewport()->repaint();
        raise_changed();
    });
}

void BigBox::append_on_ui(const QString& box_text)
{
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    QString piece = box_text;
    // A CR LF split across two appends still makes one line break.
    if (piece.startsWith(QChar(0xDC0A)) && c.position() > 0 && document()->characterAt(c.position() - 1) == QChar(0xDC0D)) {
        c.deletePreviousChar();
        piece[0] = QLatin1Char('\n');
    }
    c.insertText(piece);
    setTextCursor(c);
    ensureCursorVisible();
}

void wait_for_discarded_documents()
{
    std::unique_lock lock(reapers_mutex);
    reaper_done.wait(lock, [] { return reapers == 0; });
}

void BigBox::insertFromMimeData(const QMimeData* source)
{
    // Taken once: from another program the text crosses the display connection each time.
    QString pasted = !isReadOnly() && source != nullptr ? source->text() : QString();
    if (pasted.size() < large_insert) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // The line breaks an insertion would make: CR LF, CR, LF, the paragraph
    // separator and the frame markers each end a line.
    pasted = crlf_to_lf(pasted);
    for (const QChar end : {QChar(u'\r'), QChar(QChar::ParagraphSeparator), QChar(0xFDD0), QChar(0xFDD1)})
        pasted.replace(end, QLatin1Char('\n'));
    const QTextCursor c = textCursor();
    const QString all = document()->toRawText();
    const int caret = c.selectionStart() + static_cast<int>(pasted.size());
    set_text(from_box(all.left(c.selectionStart()) + pasted + all.mid(c.selectionEnd())));
    QTextCursor placed(document());
    placed.setPosition(std::clamp(caret, 0, document()->characterCount() - 1));
    setTextCursor(placed);
    ensureCursorVisible();
}

} // namespace fenrow
