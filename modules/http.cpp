#include "modules/http.h"

#include "modules/http_exchange.h"
#include "runtime/charset.h"
#include "runtime/text_routines.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

namespace http_exchange {

// Header lines are bytes: a byte that would lead a two-byte character must not
// hide the line break.
std::vector<Text> header_lines(const Text& text)
{
    std::vector<Text> lines;
    std::string_view s = text.view();
    while (!s.empty()) {
        const std::size_t end = s.find("\r\n");
        lines.emplace_back(s.substr(0, end));
        if (end == std::string_view::npos)
            break;
        s.remove_prefix(end + 2);
    }
    return lines;
}

bool has_header(const std::vector<Text>& lines, const Text& name_with_colon)
{
    for (const Text& line : lines) {
        if (txt_compare(txt_lower(txt_left(line, txt_len(name_with_colon))), txt_lower(name_with_colon)) == 0)
            return true;
    }
    return false;
}

// The text behind "Set-Cookie:" up to its first ';', or to the end of a line
// without attributes. One holding a control byte other than tab is no cookie:
// it would carry that byte into the Cookie line of a later request.
Text set_cookie_value(const Text& line)
{
    const int at = txt_find(line, "Set-Cookie:", 1, true);
    if (at == -1)
        return {};
    std::string_view v = line.view().substr(static_cast<std::size_t>(at - 1) + 11);
    v = v.substr(0, v.find(';'));
    for (const unsigned char c : v) {
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return {};
    }
    return txt_trim(Text(v));
}

} // namespace http_exchange

namespace {

using namespace http_exchange;

std::mutex limits_mutex;
HttpLimits limits = http_default_limits;

HttpLimits current_limits()
{
    const std::lock_guard lock(limits_mutex);
    return limits;
}

// ---- Building the request: no I/O ----

// The address to request, built from the address rules; empty when no request
// can be made of it.
std::string request_address(const Text& url, bool secure)
{
    // A line break would reach the Referer line.
    for (const unsigned char c : url.view()) {
        if (c < 0x20 || c == 0x7F)
            return {};
    }
    const Text host = url_host(url, false);
    if (host.empty())
        return {};
    for (const unsigned char c : host.view()) {
        if (c <= 0x20 || c >= 0x7F || std::string_view("@?#\\[]%").find(static_cast<char>(c)) != std::string_view::npos)
            return {};
    }
    const int default_port = secure ? 443 : 80;
    int port = url_port(url);
    if (port == 0) // "host:" or no number: the scheme's port
        port = default_port;
    if (port < 1 || port > 65535)
        return {};
    std::string a = secure ? "https://" : "http://";
    a += host.view();
    if (port != default_port)
        a += ":" + std::to_string(port);
    // The request line cannot carry a space: it goes escaped.
    const Text path = url_path(url);
    for (const char c : path.view()) {
        if (c == ' ')
            a += "%20";
        else
            a += c;
    }
    return a;
}

// The value of the first User-Agent line; the default without one.
Text user_agent(const Text& headers)
{
    const int at = txt_find(headers, "User-Agent:", 1, true);
    if (at == -1)
        return http_default_user_agent;
    // Up to the end of that line only, so that no line break reaches the agent.
    std::string_view v = headers.view().substr(static_cast<std::size_t>(at - 1) + 11);
    v = v.substr(0, v.find_first_of("\r\n"));
    return txt_trim(Text(v));
}

void complete_headers(Text& h, const Text& url, const Text* cookies)
{
    const auto add = [&h](const Text& line) { h = h.empty() ? line : txt_concat(h, "\r\n", line); };
    if (txt_find(h, "Referer:", 1, false) == -1)
        add(txt_concat("Referer: ", url));
    if (txt_find(h, "Accept:", 1, false) == -1)
        add("Accept: */*");
    if (txt_find(h, "Accept-Language:", 1, false) == -1)
        add("Accept-Language: zh-cn");
    if (txt_find(h, "Content-Type:", 1, false) == -1)
        add("Content-Type: application/x-www-form-urlencoded");
    if (cookies != nullptr && !cookies->empty())
        add(txt_concat("Cookie: ", *cookies));
}

Outgoing build_request(const HttpRequest& request)
{
    Outgoing out;
    const Text& url = request.url;
    const bool secure = txt_left(txt_lower(url), 5) == Text("https");
    out.address = request_address(url, secure);
    if (out.address.empty())
        return out;
    out.headers = request.headers;
    out.agent = user_agent(out.headers);
    complete_headers(out.headers, url, request.cookies ? &*request.cookies : nullptr);
    out.sendable = true;
    for (const Text& line : header_lines(out.headers)) {
        if (line.view().find_first_of("\r\n") != std::string_view::npos)
            out.sendable = false;
        if (!line.empty())
            out.lines.push_back(line);
    }
    out.method = request.method;
    out.body = request.post_bytes;
    if (out.method != 0 && out.body.empty())
        out.body = txt_to_bytes(request.post_text);
    if (!secure)
        out.proxy = request.proxy;
    out.shared_cookies = !request.cookies;
    out.follow_redirects = !request.no_redirect;
    out.stop = request.stop;
    return out;
}

// ---- Reading the response ----

// "utf-8" in any case anywhere in the header bytes; sought byte by byte, as a
// byte before it that would lead a two-byte character belongs to another line's text.
bool names_utf8(const Text& block)
{
    std::string lower(block.view());
    for (char& c : lower)
        c = ascii_lower(c);
    return lower.find("utf-8") != std::string::npos;
}

// The header block, or spaces for a failed exchange, what it says, and the body
// as system text.
HttpResponse read_response(Received in, const HttpRequest& request)
{
    HttpResponse r;
    r.made = true;
    r.headers = in.done ? std::move(in.head) : txt_spaces(http_failed_header_spaces);
    for (const Text& line : header_lines(r.headers)) {
        if (txt_find(line, "Location:", 1, false) != -1)
            r.location = header_value(line);
        if (txt_find(line, "Set-Cookie", 1, false) != -1) {
            const Text c = set_cookie_value(line);
            if (!c.empty())
                r.new_cookies = txt_concat(r.new_cookies, c, "; ");
        }
    }
    r.new_cookies = txt_left(r.new_cookies, txt_len(r.new_cookies) - 2);
    if (r.location.empty())
        r.location = r.headers;
    if (request.cookies) {
        r.cookies = *request.cookies;
        merge_cookies(r.cookies, r.new_cookies);
    }

    ByteArray body = std::move(in.body);
    const int utf8_at = bytes_find(bytes_left(body, 503), ByteArray(std::string("utf-8")));
    const bool named = (utf8_at >= 1 && utf8_at <= 499) || names_utf8(r.headers);
    if (request.utf8.value_or(named))
        body = charset_convert(body, Charset::utf8, Charset::gbk);
    r.body = txt_from_bytes(body);
    return r;
}

Text cookie_name(const Text& entry)
{
    const int eq = txt_find(entry, "=", 1, false);
    return txt_trim(eq == -1 ? entry : txt_left(entry, eq - 1));
}

} // namespace

HttpLimits http_set_limits(const HttpLimits& next)
{
    const std::lock_guard lock(limits_mutex);
    const HttpLimits old = limits;
    limits = next;
    return old;
}

Text url_host(const Text& url, bool keep_port)
{
    Text t = txt_lower(url);
    if (txt_right(t, 1) != Text("/"))
        t += "/";
    Text h;
    if (txt_left(t, 8) == Text("https://")) {
        h = text_between(t, "https://", "/", 0, false);
    } else {
        if (txt_find(t, "http://", 1, false) == -1)
            t = txt_concat("http://", t);
        h = text_between(t, "http://", "/", 0, false);
    }
    if (!keep_port) {
        const int colon = txt_find(h, ":", 1, false);
        if (colon != -1)
            h = txt_left(h, colon - 1);
    }
    return h;
}

int url_port(const Text& url)
{
    const Text h = url_host(url, true);
    const int colon = txt_find_last(h, ":", std::nullopt, false);
    if (colon == -1)
        return txt_left(txt_lower(url), 5) == Text("https") ? 443 : 80;
    return txt_to_int(txt_mid(h, colon + 1, txt_len(h)));
}

Text url_path(const Text& url)
{
    const Text h = url_host(url, false);
    // The host is sought behind the scheme, so that a host such as "tp" is not
    // found inside "http".
    const int scheme_end = txt_find(url, "://", 1, false);
    const int a = txt_find(url, h, scheme_end == -1 ? 1 : scheme_end + 3, true);
    const int b = txt_find(url, "/", a, true);
    if (b <= 0)
        return "/";
    return txt_mid(url, b, txt_len(url));
}

Text header_value(const Text& line)
{
    const int colon = txt_find(line, ":", 1, false);
    if (colon == -1)
        return {};
    return txt_trim(txt_mid(line, colon + 1, txt_len(line)));
}

Text merge_cookies(Text& cookies, Text& new_cookies)
{
    cookies = txt_strip_spaces(cookies);
    new_cookies = txt_strip_spaces(new_cookies);
    const TextArray old_items = txt_split(cookies, ";");
    TextArray items = txt_split(new_cookies, ";");
    std::vector<Text> new_names;
    for (const Text& item : items)
        new_names.push_back(cookie_name(item));
    for (const Text& item : old_items) {
        if (std::find(new_names.begin(), new_names.end(), cookie_name(item)) == new_names.end())
            array_append(items, item);
    }
    Text joined;
    for (const Text& item : items) {
        if (txt_right(item, 8) != Text("=deleted"))
            joined = txt_concat(joined, item, "; ");
    }
    cookies = remove_duplicate_items(txt_left(joined, txt_len(joined) - 2), "; ");
    return cookies;
}

HttpResponse http_fetch(const HttpRequest& request)
{
    // A request that cannot be made gives nothing back.
    Outgoing out = build_request(request);
    if (out.address.empty())
        return {};
    Received in = carry_out(out, current_limits());
    if (!in.made)
        return {};
    HttpResponse r = read_response(std::move(in), request);
    r.request_headers = std::move(out.headers);
    r.post_bytes = std::move(out.body);
    return r;
}

} // namespace fenrow
