#include "app/qt/desktop_qt.h"

#include "app/qt/qt_text.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QThread>

namespace fenrow {

namespace {

QMessageBox::Icon icon_of(int style)
{
    switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int show_box(const Text& content, int style, const Text& title)
{
    QMessageBox box(icon_of(style), to_qt(title), to_qt(content), QMessageBox::Ok);
    if ((style & 0x0F) == box_yes_no_cancel) {
        // Captions in the program's language; the answers as the Windows box gives them.
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.button(QMessageBox::Yes)->setText(to_qt("是(&Y)"_t));
        box.button(QMessageBox::No)->setText(to_qt("否(&N)"_t));
        box.button(QMessageBox::Cancel)->setText(to_qt("取消"_t));
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
    case QMessageBox::Yes: return button_yes;
    case QMessageBox::No: return button_no;
    case QMessageBox::Cancel: return button_cancel;
    default: return button_ok;
    }
}

void show_fatal_box(const Text& report)
{
    auto* app = QCoreApplication::instance();
    if (app == nullptr || qobject_cast<QApplication*>(app) == nullptr) {
        return;
    }
    if (QThread::currentThread() == app->thread())
        show_box(report, 0x10, "错误"_t);
    else
        QMetaObject::invokeMethod(app, [&report] { show_box(report, 0x10, "错误"_t); }, Qt::BlockingQueuedConnection);
}

QtDesktop g_desktop;

} // namespace

bool QtDesktop::clipboard_set_text(const Text& t)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    // Other programs here expect lines ending in LF alone.
    put_secret_text(crlf_to_lf(to_qt(t)));
    return true;
}

void put_secret_text(const QString& s, bool selection)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return;
    auto* data = new QMimeData; // the clipboard takes it
    data->setText(s);
    // Account lists hold passwords: the hint keeps them out of clipboard managers' history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    clipboard->setMimeData(data, selection ? QClipboard::Selection : QClipboard::Clipboard);
}

int QtDesktop::message_box(const Text& content, int style, const Text& title) { return show_box(content, style, title); }

void QtDesktop::process_events() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtDesktop::process_paint_events() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

void install_qt_services()
{
    set_desktop_services(&g_desktop);
    set_fatal_handler(show_fatal_box);
}

} // namespace fenrow
