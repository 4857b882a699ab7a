// Character sets for the program's own code: bytes in UTF-8, GBK or UTF-16LE
// to and from the system's text. It sits in runtime/ because the
// "Adodb.Stream" automation component is a thin adapter over it (modules/ and
// above reach both from here, nothing here reaches up).
#pragma once

#include "runtime/text.h"

#include <optional>
#include <string>
#include <string_view>

namespace fenrow {

// "GBK" is code page 936 with its GB18030 extension, as the system's text;
// "Unicode" is UTF-16LE.
enum class Charset { utf8, gbk, unicode };

// The charset of a name ("UTF-8", "GBK", "Unicode") in any case; nullopt for
// any other name.
std::optional<Charset> charset_named(std::u16string_view name);

// Bytes in a charset as UTF-16. Read from the start of a stream, a UTF-8 or
// UTF-16LE byte-order mark is dropped; an odd last byte of UTF-16LE too.
std::u16string charset_decode(std::string_view bytes, Charset cs, bool at_start = true);
// UTF-16 as bytes in a charset, without a byte-order mark. A lone surrogate
// becomes U+FFFD, except that in GBK U+DC01 … U+DCFF are the bytes they stand
// for in the exact form of codepage.h; in UTF-8 and GBK a zero ends the text.
std::string charset_encode(std::u16string_view s, Charset cs);

// Bytes in one charset as the same text in another, by way of the system's
// text as the stream component carries it: a decoded zero ends the text, and
// what a charset can't hold is replaced as charset_encode says.
ByteArray charset_convert(const ByteArray& data, Charset from, Charset to);

} // namespace fenrow
