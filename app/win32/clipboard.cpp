#include "app/win32/clipboard.h"

#include <cstring>
#include <cwchar>

namespace fenrow {

namespace {

// Clipboard managers and remote-desktop clients hold the clipboard open for a
// moment after every change.
bool open_clipboard(HWND owner)
{
    for (int attempt = 0;; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        if (attempt == 9)
            return false;
        Sleep(20);
    }
}

// The bytes and then `zeros` zero bytes (a text's terminating zero).
bool set_data(UINT format, const void* bytes, std::size_t size, std::size_t zeros = 0)
{
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size + zeros);
    if (mem == nullptr)
        return false;
    bool done = false;
    if (auto* p = static_cast<char*>(GlobalLock(mem))) {
        std::memcpy(p, bytes, size);
        std::memset(p + size, 0, zeros);
        GlobalUnlock(mem);
        done = SetClipboardData(format, mem) != nullptr;
    }
    if (!done)
        GlobalFree(mem);
    return done;
}

} // namespace

const PrivateClipboardFormats& private_clipboard_formats()
{
    static const PrivateClipboardFormats formats{
        RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"),
        RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"),
        RegisterClipboardFormatW(L"CanUploadToCloudClipboard"),
    };
    return formats;
}

bool put_clipboard_text(HWND owner, std::wstring_view s)
{
    if (!open_clipboard(owner))
        return false;
    EmptyClipboard();
    const bool done = set_data(CF_UNICODETEXT, s.data(), s.size() * sizeof(wchar_t), sizeof(wchar_t));
    if (done) {
        const PrivateClipboardFormats& f = private_clipboard_formats();
        const DWORD no = 0;
        set_data(f.exclude_from_monitors, &no, sizeof no);
        set_data(f.history, &no, sizeof no);
        set_data(f.cloud, &no, sizeof no);
    }
    CloseClipboard();
    return done;
}

bool read_clipboard_text(HWND owner, const std::function<void(std::wstring_view)>& read, bool* busy)
{
    const bool opened = open_clipboard(owner);
    if (busy != nullptr)
        *busy = !opened;
    if (!opened)
        return false;
    // Closed and unlocked however `read` ends: a paste the user stops ends in an exception.
    struct Closing {
        ~Closing() { CloseClipboard(); }
    } closing;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* p = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (p == nullptr)
        return false;
    struct Unlocking {
        HANDLE data;
        ~Unlocking() { GlobalUnlock(data); }
    } unlocking{data};
    read(std::wstring_view(p, wcsnlen(p, GlobalSize(data) / sizeof(wchar_t))));
    return true;
}

std::optional<std::wstring> clipboard_text(HWND owner, bool* busy)
{
    std::optional<std::wstring> text;
    read_clipboard_text(owner, [&text](std::wstring_view s) { text.emplace(s); }, busy);
    return text;
}

} // namespace fenrow
