// The widgets of the control table: one made for each row, and the ones it
// needs beyond the toolkit's stock ones.
#pragma once

#include "app/control_table.h"
#include "app/icon.h"

#include <QIcon>
#include <QLabel>

namespace fenrow {

// The widget for one row of the control table, with its caption, initial
// content and state, colour and design geometry; not yet shown. Events are
// the window's to connect.
QWidget* make_widget(const ControlSpec& row, QWidget* parent);

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

// The program's icon (app/icon.h) in each of app_icon_sizes.
QIcon app_icon();
// The design geometry assumes a 12-pixel user-interface font.
void use_design_font();
// The toolkit's own texts (standard buttons, dialogs, menus) in Chinese,
// whatever the system's language; false when the translations are missing.
bool use_chinese_translations();

} // namespace fenrow
