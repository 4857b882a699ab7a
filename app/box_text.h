// The form in which a large edit box holds the system's text. The box keeps
// lines as blocks, so CR LF pairs become '\n'; everything the box would alter
// or split on (a lone CR or LF, line and paragraph separators, frame markers,
// bytes that form no character) travels as raw-byte surrogates U+DC01 …
// U+DCFF, so that every text comes back byte for byte.
#pragma once

#include "runtime/text.h"

#include <string>
#include <string_view>

namespace fenrow {

std::u16string text_to_box(const Text& t);
// '\n' and the paragraph separator U+2029 both end a line: CR LF. Zero
// characters, which no text of the system can hold, are left out.
Text text_from_box(std::u16string_view s);

} // namespace fenrow
