#include "app/qt/widgets.h"

#include "app/qt/list_box.h"
#include "app/qt/qt_text.h"
#include "runtime/codepage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace fenrow {

namespace {

void set_text_colour(QWidget* w, unsigned rgb)
{
    if (rgb == 0)
        return;
    QPalette p = w->palette();
    const QColor c((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

QWidget* make_stock_widget(const ControlSpec& row, QWidget* parent)
{
    const QString text = qs(row.text);
    switch (row.kind) {
    case ControlKind::edit: {
        if (row.multi_line) {
            auto* box = new ListBox(parent);
            box->core().set_text(ListText(text_from_utf8(row.text)));
            set_text_colour(box, row.rgb);
            return box;
        }
        auto* box = new QLineEdit(text, parent);
        box->setAlignment(Qt::AlignCenter);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::label: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setWordWrap(row.word_wrap);
        set_text_colour(label, row.rgb);
        return label;
    }
    case ControlKind::button:
        return new QPushButton(text, parent);
    case ControlKind::check_box: {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(row.initially_on);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::radio_box: {
        auto* box = new QRadioButton(text, parent);
        box->setChecked(row.initially_on);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::combo_box: {
        auto* combo = new QComboBox(parent);
        combo->addItems(text.split(QLatin1Char('\n')));
        combo->setCurrentIndex(0);
        return combo;
    }
    case ControlKind::group_box:
        return new QGroupBox(parent);
    case ControlKind::hyperlink:
        return new LinkLabel(text, qs(feedback_page_address), parent);
    case ControlKind::status_bar:
        break;
    }
    throw std::logic_error("control kind without a widget");
}

} // namespace

QWidget* make_widget(const ControlSpec& row, QWidget* parent)
{
    QWidget* w = make_stock_widget(row, parent);
    w->setObjectName(qs(row.name));
    const Rect& r = row.geometry;
    w->setGeometry(r.left, r.top, std::max(r.width, 0), std::max(r.height, 0));
    return w;
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
    // The desktop's own way: the toolkit's URL opener, and xdg-open where the
    // toolkit has none (the package depends on xdg-utils).
    return QDesktopServices::openUrl(QUrl(url)) || QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

QIcon app_icon()
{
    QIcon icon;
    for (int size : app_icon_sizes) {
        const std::vector<std::uint8_t> pixels = draw_app_icon(size);
        // copy(): the image must outlive the pixels it was made over.
        const QImage image(pixels.data(), size, size, size * 4, QImage::Format_RGBA8888);
        icon.addPixmap(QPixmap::fromImage(image.copy()));
    }
    return icon;
}

void use_design_font()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
}

bool use_chinese_translations()
{
    static QTranslator translator;
    if (!translator.isEmpty())
        return true;
    if (!translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}

} // namespace fenrow
