#include "app/widgets.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>

#ifndef FENROW_FEEDBACK_URL
#define FENROW_FEEDBACK_URL "https://fenrow.example.org/feedback"
#endif

namespace fenrow {

BigBox::BigBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
}

void BigBox::append_at_end(const QString& box_text)
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

QString crlf_to_lf(const QString& s)
{
    QString out(s.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* from = s.constData();
    const QChar* const end = from + s.size();
    for (; from != end; ++from) {
        if (*from == u'\r' && from + 1 != end && from[1] == u'\n')
            continue;
        *to++ = *from;
    }
    out.truncate(to - out.constData());
    return out;
}

void BigBox::insertFromMimeData(const QMimeData* source)
{
    // Taken once: from another program the text crosses the display connection each time.
    QString pasted = replace_whole && !isReadOnly() && source != nullptr ? source->text() : QString();
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
    replace_whole(all.left(c.selectionStart()) + pasted + all.mid(c.selectionEnd()),
                  c.selectionStart() + static_cast<int>(pasted.size()));
}

LinkLabel::LinkLabel(const QString& caption, const QString& url, QWidget* parent) : QLabel(caption, parent), url_(url)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(url);
    paint_caption(Qt::blue);
}

void LinkLabel::paint_caption(const QColor& c)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, c);
    setPalette(p);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
}

void LinkLabel::enterEvent(QEnterEvent* e)
{
    QLabel::enterEvent(e);
    paint_caption(QColor(51, 153, 255));
}

void LinkLabel::leaveEvent(QEvent* e)
{
    QLabel::leaveEvent(e);
    paint_caption(visited_ ? QColor(128, 0, 0) : QColor(Qt::blue));
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e)
{
    QLabel::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint()))
        return;
    visited_ = true;
    paint_caption(QColor(128, 0, 0));
    open_in_browser(url_);
}

bool open_in_browser(const QString& url)
{
    if (QDesktopServices::openUrl(QUrl(url)))
        return true;
    for (const char* opener : {"xdg-open", "sensible-browser", "x-www-browser"}) {
        if (QProcess::startDetached(QString::fromLatin1(opener), {url}))
            return true;
    }
    return false;
}

QIcon app_icon()
{
    // A page of account lines with a numbered tab: drawn, so no image file ships.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal u = size / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(32, 96, 200));
        p.drawRoundedRect(QRectF(1 * u, 1 * u, 14 * u, 14 * u), 2.5 * u, 2.5 * u);
        p.setBrush(Qt::white);
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(5.5 * u, (3.5 + i * 2.5) * u, 7.5 * u, 1.2 * u));
        p.setBrush(QColor(255, 210, 60));
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QRectF(2.6 * u, (3.4 + i * 2.5) * u, 1.5 * u, 1.5 * u));
        icon.addPixmap(pm);
    }
    return icon;
}

void use_design_font()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
}

const char* feedback_url() { return FENROW_FEEDBACK_URL; }

} // namespace fenrow
