// Re-encoding a byte string from one character set to another through the
// "Adodb.Stream" automation component. The program's own code calls the typed
// charset_convert of runtime/charset.h, which gives the same bytes.
#pragma once

#include "runtime/text.h"

#include <optional>

namespace fenrow {

// Character sets "UTF-8" and "GBK" (names without regard to case). An empty
// source_charset becomes "UTF-8" and an empty target_charset "GBK", written
// back to the caller. read_position drops that many converted bytes from the
// front. Any failure gives the empty byte array.
ByteArray encoding_convert(const ByteArray& data, Text& source_charset, Text& target_charset,
                           std::optional<int> read_position = std::nullopt);

} // namespace fenrow
