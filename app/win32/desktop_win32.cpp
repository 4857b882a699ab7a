#include "app/win32/desktop_win32.h"

#include "app/win32/clipboard.h"
#include "app/win32/main_window.h"
#include "app/win32/win_text.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/fatal.h"

#include <windows.h>

namespace fenrow {

namespace {

class Win32Desktop : public DesktopServices {
public:
    Win32Window* window = nullptr;

    bool clipboard_set_text(const Text& t) override
    {
        const std::wstring s = to_wide(t); // lines stay CR LF, as Windows programs expect
        return window->on_ui_thread([&] { return put_clipboard_text(window->handle(), s); });
    }

    int message_box(const Text& content, int style, const Text& title) override
    {
        const std::wstring c = to_wide(content), t = to_wide(title);
        const int id = window->on_ui_thread([&] {
            return MessageBoxW(window->handle(), c.c_str(), t.c_str(), static_cast<UINT>(style) | MB_TASKMODAL);
        });
        return id > 0 ? id - 1 : button_cancel; // IDOK is 1, IDCANCEL 2, …: our codes start at 0
    }

    void process_events() override { pump(PM_REMOVE); }
    void process_paint_events() override { pump(PM_REMOVE | PM_QS_PAINT); }

private:
    void pump(UINT flags)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, flags)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam)); // the main loop still has to see it
                return;
            }
            if (!window->preview(msg) && !IsDialogMessageW(window->handle(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
};

Win32Desktop g_desktop;

void show_fatal_box(const Text& report)
{
    // Any thread may show it: the box runs a message loop of its own.
    MessageBoxW(nullptr, to_wide(report).c_str(), to_wide("错误"_t).c_str(), MB_ICONERROR | MB_TASKMODAL);
}

} // namespace

void install_win32_services(Win32Window* window)
{
    g_desktop.window = window;
    set_desktop_services(window != nullptr ? &g_desktop : nullptr);
    set_fatal_handler(window != nullptr ? &show_fatal_box : nullptr);
}

} // namespace fenrow
