// The clipboard as Unicode text, for the boxes and the copy buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fenrow {

// The text marked as not for the clipboard's history, its cloud sync or its
// monitors: account lists hold passwords.
bool put_clipboard_text(HWND owner, std::wstring_view s);

// The clipboard's text; nothing when it holds none or another program keeps
// it open past a few short retries (busy then says which, when given).
std::optional<std::wstring> clipboard_text(HWND owner, bool* busy = nullptr);
// The same, read in place while the clipboard is open: a long list is not
// copied before it is converted. False when there was no text to read.
bool read_clipboard_text(HWND owner, const std::function<void(std::wstring_view)>& read, bool* busy = nullptr);

// The registered formats that keep a copy out of history, cloud and monitors.
struct PrivateClipboardFormats {
    UINT exclude_from_monitors, history, cloud;
};
const PrivateClipboardFormats& private_clipboard_formats();

} // namespace fenrow
