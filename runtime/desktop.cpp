#include "runtime/desktop.h"

#include "runtime/codepage.h"

#include <atomic>
#include <cstdio>

namespace fenrow {

namespace {
std::atomic<DesktopServices*> g_services{nullptr};
}

void set_desktop_services(DesktopServices* services) { g_services.store(services); }

bool clipboard_set_text(const Text& t)
{
    DesktopServices* s = g_services.load();
    return s != nullptr && s->clipboard_set_text(t);
}

int message_box(const Text& content, int style, const std::optional<Text>& title)
{
    const Text shown_title = title ? *title : "信息："_t;
    if (DesktopServices* s = g_services.load())
        return s->message_box(content, style, shown_title);
    std::fprintf(stderr, "[%s] %s\n", text_to_utf8(shown_title).c_str(), text_to_utf8(content).c_str());
    return button_ok;
}

void process_events()
{
    if (DesktopServices* s = g_services.load())
        s->process_events();
}

void process_paint_events()
{
    if (DesktopServices* s = g_services.load())
        s->process_paint_events();
}

} // namespace fenrow
