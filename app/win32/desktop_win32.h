// The desktop services of the Windows window: the clipboard as Unicode text,
// the system's message boxes, event processing, and the fatal "错误" box.
#pragma once

namespace fenrow {

class Win32Window;

// Installs the services for the window (nullptr: none) and the fatal handler.
void install_win32_services(Win32Window* window);

} // namespace fenrow
