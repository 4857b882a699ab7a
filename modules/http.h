// The HTTP page client: one HTTP or HTTPS request, its response body as
// system text, with the response's headers, cookies and redirect target.
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <optional>
#include <stop_token>

namespace fenrow {

// User agent sent when the request headers name none.
inline constexpr const char* http_default_user_agent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; NRV8Q; .NET CLR 2.0.50727; .NET CLR 3.0.04506.648; "
    ".NET CLR 3.5.21022)";

// What response_headers and location hold after an exchange that failed once
// the request was made: this many spaces.
inline constexpr int http_failed_header_spaces = 5000;

// Bounds of one exchange; crossing one fails it like a broken connection.
struct HttpLimits {
    long connect_seconds;             // to resolve the host and connect
    long silence_seconds;             // once connected, without a byte arriving or leaving
    std::int64_t max_response_bytes;  // the body, and the header block, each
    long max_redirects;
};
inline constexpr HttpLimits http_default_limits{60, 30, std::int64_t{64} << 20, 30};

// Test seam: the limits of the calls that start after it; returns the old ones.
HttpLimits http_set_limits(const HttpLimits& limits);

// One request. Only the address is needed; the rest are a plain GET's. Every
// field has an initializer, so that a designated list may leave any out.
struct HttpRequest {
    Text url{};                    // "http://" is assumed without a scheme
    int method = 0;                // 1 is POST, any other value GET; a body is sent unless it is 0
    Text post_text{};              // the body when post_bytes is empty
    ByteArray post_bytes{};        // the body as bytes
    std::optional<Text> cookies{}; // sent as "Cookie:"; left out, the process-wide store sends and keeps cookies
    Text headers{};                // extra header lines separated by CR LF
    Text proxy{};                  // an HTTP proxy ("host:port") for "http" addresses; "https" ones go direct
    bool no_redirect = false;      // true returns a redirect response instead of following it
    std::optional<bool> utf8{};    // whether the body is converted from UTF-8; left out, as http_fetch detects
    std::stop_token stop{};        // a stop request fails the exchange like a broken connection, within a second
};

// What came of one request. When it could not be made every field is empty;
// when it failed on the way, body and new_cookies are empty and headers and
// location are http_failed_header_spaces spaces.
struct HttpResponse {
    bool made = false;    // false: the request could not be made
    Text body;            // as system text, ending at its first zero byte
    Text headers;         // the final status line and header lines, each ending in CR LF, then the empty line
    Text location;        // the last header value of a line holding "Location:", or all of headers without one
    Text new_cookies;     // "name=value; name=value" of the Set-Cookie lines, without spaces when cookies were supplied
    Text cookies;         // merge_cookies of the request's cookies and new_cookies; empty when they were left out
    Text request_headers; // the request's lines completed with Referer, Accept, Accept-Language, Content-Type, Cookie
    ByteArray post_bytes; // the request's post_bytes, or post_text's bytes when those are empty and a body is sent
};

// Blocks until the whole body is read or the request failed. Unless the request
// says otherwise, a body with "utf-8" starting within its first 499 bytes, or
// whose headers name utf-8 in any case, is converted from UTF-8.
HttpResponse http_fetch(const HttpRequest& request);

// Address parts. The host is lower-case, without path, and without port unless
// keep_port; "http://" is assumed without a scheme.
Text url_host(const Text& url, bool keep_port);
// The port written in the address, else 443 for "https…" and 80 otherwise.
int url_port(const Text& url);
// From the first '/' behind the host to the end, case and query kept; "/" when none.
Text url_path(const Text& url);

// The trimmed text behind the first ':' of a header line; empty without ':'.
Text header_value(const Text& line);

// Both lose their spaces. The result, also left in cookies: the new entries
// followed by the old ones whose name no new entry has, without the ones
// ending in "=deleted" and without exact repeats, joined by "; ".
Text merge_cookies(Text& cookies, Text& new_cookies);

} // namespace fenrow
