// Texts of raw bytes in tests: T("\xd6\xd0") or T(std::string(...)), any bytes
// up to the first zero; and the plain form of a list's line ends.
#pragma once

#include "runtime/text.h"

#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

inline Text T(std::string bytes) { return Text(std::move(bytes)); }

// The bytes with every line end (CR LF, a lone CR, a lone LF) made CR LF, one
// byte at a time: the plain reference for a list file's lines.
inline std::string crlf_lines(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out += "\r\n";
            i += s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n';
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

} // namespace fenrow
