// The clipboard, message box, event processing and fatal-error box of the
// runtime, served by Qt.
#pragma once

#include "runtime/desktop.h"

#include <QString>

namespace fenrow {

class QtDesktop : public DesktopServices {
public:
    bool clipboard_set_text(const Text& t) override;
    int message_box(const Text& content, int style, const Text& title) override;
    void process_events() override;
    void process_paint_events() override;
};

// Text put on the clipboard (or the desktop's selection) marked as a secret,
// which clipboard managers leave out of their history.
void put_secret_text(const QString& s, bool selection = false);

// Installs the Qt services and the "错误" box for fatal errors.
void install_qt_services();

} // namespace fenrow
