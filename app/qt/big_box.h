// A large edit box (编辑框_原, 编辑框_后): no wrapping, both scroll bars always
// shown, and large texts laid out as a document off the user-interface thread
// and handed over whole.
#pragma once

#include "runtime/text.h"

#include <QPlainTextEdit>

#include <functional>

class QLabel;

namespace fenrow {

class UiThread;

class BigBox : public QPlainTextEdit {
    Q_OBJECT
public:
    BigBox(QWidget* parent, UiThread& ui_thread);

    // From any thread; each write raises content_changed once.
    Text text();
    void set_text(const Text& t);
    // Inserts at the end and scrolls it into view.
    void append(const Text& t);
    int line_count();

    // Raised once per set_text or append, and on every edit by the user.
    std::function<void()> content_changed;
    // Where the note about a very long line shows while the box lays it out.
    QLabel* note_pane = nullptr;

    // Texts from this size on are laid out as a document off the UI thread.
    static constexpr int large_text = 256 * 1024;
    // A pasted or dropped text of this many characters or more is not inserted
    // in place (the toolkit would take seconds on the UI thread) but makes the
    // box's whole new text, which goes the way of a large text.
    int large_insert = 128 * 1024;

protected:
    void insertFromMimeData(const QMimeData* source) override;

private:
    void raise_changed();
    void append_on_ui(const QString& box_text);
    void hand_over(class QTextDocument* doc, bool long_line);

    UiThread& ui_thread_;
};

// Waits for the threads still freeing documents that boxes handed back.
void wait_for_discarded_documents();

} // namespace fenrow
