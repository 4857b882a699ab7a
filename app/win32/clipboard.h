// The clipboard as Unicode text, for the boxes and the copy buttons.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace fenrow {

bool put_clipboard_text(HWND owner, std::wstring_view s);
// Nothing when the clipboard holds no text or is busy.
std::optional<std::wstring> clipboard_text(HWND owner);

} // namespace fenrow
