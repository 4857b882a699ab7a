// The widgets the control table needs beyond the toolkit's stock ones.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>

#include <functional>

namespace fenrow {

// A large edit box: no wrapping, both scroll bars always shown (which also
// spares a relayout of every line when the vertical bar would appear).
class BigBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit BigBox(QWidget* parent);
    // Inserts at the end and scrolls it into view.
    void append_at_end(const QString& box_text);

    // A pasted or dropped text of this many characters or more is not inserted
    // here (the toolkit would take seconds on the UI thread) but handed to
    // replace_whole: the box's whole new text in box form, and the caret's place.
    int large_insert = 128 * 1024;
    std::function<void(const QString& whole, int caret)> replace_whole;

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

// Blue caption, light blue under the pointer, dark red once clicked; a click
// opens the address in the desktop's browser.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& caption, const QString& url, QWidget* parent);
    const QString& url() const { return url_; }
    bool visited() const { return visited_; }

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void paint_caption(const QColor& c);
    QString url_;
    bool visited_ = false;
};

// Opens an address in the desktop's browser, trying the usual openers in turn.
bool open_in_browser(const QString& url);

// The text with every CR LF made a single LF, in one pass: the toolkit's own
// replace moves the rest of the text again for every few thousand matches.
QString crlf_to_lf(const QString& s);

QIcon app_icon();
// The design geometry assumes a 12-pixel user-interface font.
void use_design_font();
const char* feedback_url();

} // namespace fenrow
