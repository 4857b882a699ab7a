// The screen's pixels per inch, through the calls of Windows 10 where the
// system has them (looked up at run time, so older systems still start) and
// those of older systems where not.
#pragma once

#include <windows.h>

namespace fenrow {

// Asks the system to leave the drawing to the program on every screen
// (per-monitor, version 2 where it has it) instead of stretching a bitmap.
// Fails quietly where the manifest has declared it already.
void declare_dpi_awareness();
// The pixels per inch of the window's screen; the system's for nullptr.
int window_dpi(HWND h);
// A system metric at that many pixels per inch.
int system_metric(int index, int dpi);
// The window's outer rectangle around a client rectangle at that many pixels per inch.
void outer_rect(RECT& r, DWORD style, DWORD ex_style, int dpi);

} // namespace fenrow
