// Conversion between the system's code-page-936 text and Unicode, used only
// at the edges: widgets, clipboard, file names, UTF-8 literals in the sources.
//
// Every character code page 936 holds is encoded exactly as code page 936
// does (the euro sign as the single byte 0x80); every other character takes
// its GB18030 form, so no character is ever lost on the way in.
#pragma once

#include "runtime/text.h"

#include <string>
#include <string_view>

namespace fenrow {

// Decoding: a byte sequence that forms no character becomes U+FFFD.
std::u32string cp936_to_unicode(std::string_view bytes);
// Encoding: a lone surrogate or a value above U+10FFFF becomes U+FFFD's form;
// U+0000 ends the text (texts hold no zero byte).
Text unicode_to_cp936(std::u32string_view code_points);

// The character at the start of non-empty bytes: what it is and how many bytes
// it takes. A byte that forms no character is one byte of U+FFFD; a second
// code of a character (A2 E3 for the euro sign) is that character, not exact.
struct Cp936Char {
    char32_t c;
    int length;
    bool exact; // the character's own code, which encoding gives back
};
Cp936Char cp936_char_at(std::string_view bytes);

Text text_from_utf16(std::u16string_view s);
std::u16string text_to_utf16(const Text& t);
// Exact forms for edit boxes, which must give back every byte they were given:
// a byte that forms no character (or a second code of a character, such as
// A2 E3 for the euro sign) travels as the lone surrogate U+DC00 + byte, which
// no Unicode text holds otherwise; U+DC01 … U+DCFF come back as those bytes.
std::u16string text_to_utf16_exact(const Text& t);
Text text_from_utf16_exact(std::u16string_view s);

Text text_from_utf8(std::string_view s);
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool valid_utf8(std::string_view s);
std::string text_to_utf8(const Text& t);

// Letters of every alphabet folded to one case, the same on every system.
char32_t fold_case(char32_t c);

// "提示"_t: a UTF-8 literal of our sources as system text.
Text operator""_t(const char* s, std::size_t n);

} // namespace fenrow
