// Inside the page client: what http.cpp builds from a request and reads from
// the answer, and the one step in between that each platform's half carries
// out over its own HTTP library (http_posix.cpp, http_windows.cpp).
#pragma once

#include "modules/http.h"

#include <stop_token>
#include <string>
#include <vector>

namespace fenrow::http_exchange {

// What goes on the wire, built from the request alone.
struct Outgoing {
    std::string address; // "http[s]://host[:port]/path", the port only when not the scheme's; empty: none can be made
    Text agent;
    Text headers;            // the request's lines, completed
    std::vector<Text> lines; // those lines, without empty ones
    bool sendable = false;   // false: a lone CR or LF would start a line of its own on the wire
    int method = 0;
    ByteArray body;
    Text proxy; // empty: direct
    bool shared_cookies = false;
    bool follow_redirects = true;
    std::stop_token stop;
};

// What came back of one exchange.
struct Received {
    bool made = false; // false: no exchange could be started
    bool done = false; // false: it failed on the way, and head and body stay empty
    Text head;         // the final status line and header lines, each ending in CR LF, then the empty line
    ByteArray body;
};

// Sends the request, following redirects unless told not to, within the
// limits; a failure anywhere on the way leaves no part of the answer.
Received carry_out(const Outgoing& out, const HttpLimits& limits);

// The lines of a header text, cut at every CR LF only.
std::vector<Text> header_lines(const Text& text);
// Whether a line starts with the name (given with its colon), in any case.
bool has_header(const std::vector<Text>& lines, const Text& name_with_colon);
// The cookie of a Set-Cookie line; empty when the line carries none.
Text set_cookie_value(const Text& line);

} // namespace fenrow::http_exchange
