// Readable test failures: texts and byte arrays print as escaped bytes.
#pragma once

#include "runtime/text.h"

#include <cstdio>
#include <ostream>

namespace fenrow {

inline void print_bytes(std::string_view s, std::ostream* os)
{
    *os << '"';
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            *os << static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            *os << buf;
        }
    }
    *os << '"';
}

inline void PrintTo(const Text& t, std::ostream* os) { print_bytes(t.view(), os); }
inline void PrintTo(const ByteArray& b, std::ostream* os) { print_bytes(b.view(), os); }

} // namespace fenrow
