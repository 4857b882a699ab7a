#include "app/win32/dpi.h"

namespace fenrow {

namespace {

template <typename F>
F user32(const char* name)
{
    static const HMODULE module = GetModuleHandleW(L"user32.dll");
    // Through a function pointer of no arguments, the cast the compiler allows.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int screen_dpi()
{
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

void declare_dpi_awareness()
{
    using Context = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const auto set_context = user32<Context>("SetProcessDpiAwarenessContext");
    if (set_context != nullptr && (set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
                                   GetLastError() == ERROR_ACCESS_DENIED)) // already declared
        return;
    SetProcessDPIAware();
}

int window_dpi(HWND h)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto for_window = user32<ForWindow>("GetDpiForWindow");
    const UINT dpi = h != nullptr && for_window != nullptr ? for_window(h) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : screen_dpi();
}

int system_metric(int index, int dpi)
{
    using ForDpi = int(WINAPI*)(int, UINT);
    static const auto for_dpi = user32<ForDpi>("GetSystemMetricsForDpi");
    return for_dpi != nullptr ? for_dpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

void outer_rect(RECT& r, DWORD style, DWORD ex_style, int dpi)
{
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto for_dpi = user32<ForDpi>("AdjustWindowRectExForDpi");
    if (for_dpi == nullptr || !for_dpi(&r, style, FALSE, ex_style, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, ex_style);
}

} // namespace fenrow
