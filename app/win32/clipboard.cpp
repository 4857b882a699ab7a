#include "app/win32/clipboard.h"

#include <cstring>
#include <cwchar>

namespace fenrow {

bool put_clipboard_text(HWND owner, std::wstring_view s)
{
    if (!OpenClipboard(owner))
        return false;
    bool done = false;
    EmptyClipboard();
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (s.size() + 1) * sizeof(wchar_t))) {
        if (auto* p = static_cast<wchar_t*>(GlobalLock(mem))) {
            std::memcpy(p, s.data(), s.size() * sizeof(wchar_t));
            p[s.size()] = L'\0';
            GlobalUnlock(mem);
            done = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
        }
        if (!done)
            GlobalFree(mem);
    }
    CloseClipboard();
    return done;
}

std::optional<std::wstring> clipboard_text(HWND owner)
{
    if (!OpenClipboard(owner))
        return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.emplace(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace fenrow
