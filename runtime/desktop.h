// Clipboard, message box and event processing. The window supplies the real
// services; until it does (and in tests without a window) the fallbacks below
// keep callers working.
#pragma once

#include "runtime/text.h"

#include <optional>

namespace fenrow {

// Message-box button codes.
enum ButtonCode : int { button_ok = 0, button_cancel = 1, button_abort = 2, button_retry = 3,
                        button_ignore = 4, button_yes = 5, button_no = 6 };
// Message-box styles: the buttons and the icon, or-ed together.
enum BoxStyle : int { box_ok = 0x0, box_yes_no_cancel = 0x3, box_icon_question = 0x20, box_default_third = 0x200 };

class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    virtual bool clipboard_set_text(const Text& t) = 0;
    virtual int message_box(const Text& content, int style, const Text& title) = 0;
    virtual void process_events() = 0;
    // Lets the window paint and answer the desktop, taking no user input: for
    // long runs whose state the user must not change midway.
    virtual void process_paint_events() {}
};

// Installs the services (nullptr: none); the caller keeps ownership.
void set_desktop_services(DesktopServices* services);

// Without services: false, nothing changes.
bool clipboard_set_text(const Text& t);
// A missing title reads "信息：". Without services the box goes to standard
// error and counts as closed with OK.
int message_box(const Text& content, int style = 0, const std::optional<Text>& title = std::nullopt);
void process_events();
void process_paint_events();

} // namespace fenrow
