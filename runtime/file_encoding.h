// The encodings a list file comes in, told from its bytes, and its bytes made
// the system's text. Account lists are mostly ASCII with a few Chinese names,
// so the telling is conservative: GBK unless the evidence for another
// encoding is strong.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fenrow {

enum class FileEncoding { utf8, utf8_bom, utf16le, utf16be, gbk, big5 };

// A BOM names UTF-8 or UTF-16; zero bytes in the pattern of UTF-16 (most of
// them on one side of the characters, and the characters plain text) name
// UTF-16 without one; plain ASCII is GBK; bytes that are all valid UTF-8 are
// UTF-8 when they hold a character of three or four bytes or four of two;
// Big5 only when every character is valid Big5 and many of them are what GBK
// would show as kana, rare extension characters or codes no GBK text holds;
// else GBK.
FileEncoding detect_encoding(std::string_view bytes);

// Its name as the window shows it: "GBK/GB18030", "UTF-8", "UTF-16 LE", "UTF-16 BE", "Big5".
const char* encoding_name(FileEncoding e);

// The size of the BOM the bytes start with in that encoding; 0 when none.
std::size_t bom_size(std::string_view bytes, FileEncoding e);

// A piece of a file's bytes (after any BOM) in that encoding, as the system's
// text, appended to out with its line ends as they stand. A byte the encoding
// cannot decode is kept as it stands, as a paste keeps it; UTF-16 leaves out
// zero characters. False when a zero byte outside UTF-16 makes it no text
// (out then holds part of it). Pieces cut just behind a line feed convert as
// the whole would.
bool append_system_text(std::string& out, std::string_view piece, FileEncoding e);

} // namespace fenrow
