// The system's text at the edge of the Windows controls, which hold UTF-16.
#pragma once

#include "runtime/text.h"

#include <string>
#include <string_view>

namespace fenrow {

class WorkPool;

// Captions, titles, clipboard and messages: the plain conversion.
std::wstring to_wide(const Text& t);
Text from_wide(std::wstring_view s);

// Edit boxes: the exact form, so that every byte comes back. CR LF is the
// control's own line break; a lone CR or LF travels as its raw-byte form.
std::wstring to_edit(const Text& t);
// A lone CR or LF typed or pasted ends a line as CR LF does; zero characters
// are left out.
Text from_edit(std::wstring_view s);

// Clipboard text made ready for a box: every line break CR LF, no zero characters.
std::wstring pasted_lines(std::wstring_view s);
// from_edit(pasted_lines(s)) in one pass, for a large box; with a pool, in
// stretches on its threads.
Text pasted_text(std::wstring_view s, WorkPool* pool = nullptr);

} // namespace fenrow
