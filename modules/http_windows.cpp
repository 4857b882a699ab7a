// The exchange over WinINet. Its narrow functions take and give header bytes
// in the system code page, as Fenrow's text has them.
#include "modules/http_exchange.h"

#include "runtime/text_routines.h"
#include "runtime/thread_start.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow::http_exchange {

namespace {

struct HandleCloser {
    void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

bool starts_with_nocase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), s.begin(), [](char a, char b) {
               return ascii_lower(a) == ascii_lower(b);
           });
}

std::string_view trim(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// ---- Addresses ----

// An address as the library takes it apart.
struct Target {
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string path; // with the query; never empty

    // "host" or "host:port" when the port is not the scheme's, as in a Host line.
    std::string host_and_port() const
    {
        return port == (secure ? 443 : 80) ? host : host + ":" + std::to_string(port);
    }
    std::string origin() const { return (secure ? "https://" : "http://") + host_and_port(); }
    std::string url() const { return origin() + path; }
};

// An "http" or "https" address split up; none for another kind, or for a host
// the request's address rules would refuse.
std::optional<Target> split_address(std::string_view url)
{
    Target t;
    if (starts_with_nocase(url, "https://")) {
        t.secure = true;
        url.remove_prefix(8);
    } else if (starts_with_nocase(url, "http://")) {
        url.remove_prefix(7);
    } else {
        return std::nullopt;
    }
    const std::size_t end = std::min(url.find_first_of("/?#"), url.size());
    std::string_view host = url.substr(0, end);
    std::string_view rest = url.substr(end);
    rest = rest.substr(0, rest.find('#'));
    int port = t.secure ? 443 : 80;
    if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        const std::string_view digits = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (!digits.empty()) {
            if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string_view::npos)
                return std::nullopt;
            port = std::stoi(std::string(digits));
        }
    }
    if (host.empty() || port < 1 || port > 65535)
        return std::nullopt;
    for (const unsigned char c : host) {
        const bool refused = std::string_view(":@?#\\[]%").find(static_cast<char>(c)) != std::string_view::npos;
        if (c <= 0x20 || c >= 0x7F || refused)
            return std::nullopt;
    }
    t.host = txt_lower(Text(host)).str();
    t.port = static_cast<INTERNET_PORT>(port);
    t.path = rest.empty() ? "/" : rest.front() == '?' ? "/" + std::string(rest) : std::string(rest);
    return t;
}

// Where a Location value leads from base, joined as the POSIX half's library
// joins it: one leading "./" goes, each leading "../" climbs a level.
std::string resolve(const Target& base, std::string_view location)
{
    location = location.substr(0, location.find('#'));
    const std::string_view first_part = location.substr(0, location.find_first_of("/?"));
    std::string joined;
    if (const std::size_t colon = first_part.find(':'); colon != std::string_view::npos && colon > 0) {
        joined = location; // has a scheme of its own
    } else if (location.starts_with("//")) {
        joined = (base.secure ? "https:" : "http:") + std::string(location);
    } else if (location.starts_with("/")) {
        joined = base.origin() + std::string(location);
    } else {
        const std::string_view base_path = std::string_view(base.path).substr(0, base.path.find('?'));
        if (location.starts_with("?")) {
            joined = base.origin() + std::string(base_path) + std::string(location);
        } else {
            std::string dir(base_path.substr(0, base_path.rfind('/')));
            if (location.starts_with("./"))
                location.remove_prefix(2);
            while (location.starts_with("../")) {
                location.remove_prefix(3);
                dir.erase(dir.rfind('/') == std::string::npos ? dir.size() : dir.rfind('/'));
            }
            joined = base.origin() + dir + "/" + std::string(location);
        }
    }
    std::string escaped;
    for (const unsigned char c : joined) {
        if (c <= 0x20 || c >= 0x7F) {
            static constexpr char hex[] = "0123456789ABCDEF";
            escaped += '%';
            escaped += hex[c >> 4];
            escaped += hex[c & 15];
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}

// ---- The cookie store ----

// The library's store, which keeps cookies for every address of the process.
std::string stored_cookies(const Target& to)
{
    const std::string url = to.url();
    DWORD size = 0;
    if (!InternetGetCookieExA(url.c_str(), nullptr, nullptr, &size, INTERNET_COOKIE_HTTPONLY, nullptr) || size == 0)
        return {};
    std::string value(size, '\0');
    if (!InternetGetCookieExA(url.c_str(), nullptr, value.data(), &size, INTERNET_COOKIE_HTTPONLY, nullptr))
        return {};
    value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
    return value;
}

// True when an Expires date has passed; false also for one that cannot be read.
bool expired(std::string_view date)
{
    SYSTEMTIME when{};
    FILETIME when_file{}, now{};
    if (!InternetTimeToSystemTimeA(std::string(date).c_str(), &when, 0) || !SystemTimeToFileTime(&when, &when_file))
        return false;
    GetSystemTimeAsFileTime(&now);
    return CompareFileTime(&when_file, &now) <= 0;
}

// Keeps a Set-Cookie value's cookie for this process only: an expiry to come
// would make the library write it into the system's cookie files, while one
// that has passed is kept, as it deletes the cookie.
void keep_cookie(const Target& from, std::string_view set_cookie)
{
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= set_cookie.size();) {
        const std::size_t semi = std::min(set_cookie.find(';', at), set_cookie.size());
        parts.push_back(set_cookie.substr(at, semi - at));
        at = semi + 1;
    }
    const auto attribute = [](std::string_view part) { return trim(part.substr(0, part.find('='))); };
    const auto value_of = [](std::string_view part) {
        const std::size_t eq = part.find('=');
        return eq == std::string_view::npos ? std::string_view() : trim(part.substr(eq + 1));
    };
    // Max-Age wins over Expires.
    std::optional<bool> max_age_passed;
    const auto named = [&attribute](std::string_view part, std::string_view name) {
        return attribute(part).size() == name.size() && starts_with_nocase(attribute(part), name);
    };
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (named(parts[i], "Max-Age")) {
            const std::string v(value_of(parts[i]));
            max_age_passed = v.starts_with('-') || v.find_first_not_of('0') == std::string::npos;
        }
    }
    std::string kept(parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (named(parts[i], "Max-Age") ||
            (named(parts[i], "Expires") && (max_age_passed || !expired(value_of(parts[i])))))
            continue;
        kept += ";";
        kept += parts[i];
    }
    if (max_age_passed.value_or(false))
        kept += "; expires=Thu, 01 Jan 1970 00:00:01 GMT";
    // A cookie the library refuses is not kept, as with any store.
    (void)InternetSetCookieExA(from.url().c_str(), nullptr, kept.c_str(), INTERNET_COOKIE_HTTPONLY, 0);
}

// ---- One request and its answer ----

// A request line as the POSIX half's library takes it: "Name;" stands for the
// name with an empty value; without a colon, or without a value, it is not sent.
std::string header_line(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        const std::size_t semi = line.find(';');
        if (semi == std::string_view::npos || semi == 0 || !trim(line.substr(semi + 1)).empty())
            return {};
        return std::string(line.substr(0, semi)) + ":";
    }
    if (colon == 0 || trim(line.substr(colon + 1)).empty())
        return {};
    return std::string(line);
}

// The header lines in the order and form the POSIX half sends them: Host and
// User-Agent unless the request has its own, the store's cookies, the
// request's lines, the body's length.
std::vector<std::string> wire_lines(const Outgoing& out, const Target& to, bool same_origin, bool with_body)
{
    std::vector<std::string> wire;
    if (!has_header(out.lines, "Host:"))
        wire.push_back("Host: " + to.host_and_port());
    if (!has_header(out.lines, "User-Agent:") && !out.agent.empty())
        wire.push_back("User-Agent: " + out.agent.str());
    if (out.shared_cookies) {
        const std::string cookies = stored_cookies(to);
        if (!cookies.empty())
            wire.push_back("Cookie: " + cookies);
    }
    for (const Text& line : out.lines) {
        std::string l = header_line(line.view());
        // The caller's credentials are for the first host only.
        const bool credentials = starts_with_nocase(l, "Cookie:") || starts_with_nocase(l, "Authorization:");
        if (l.empty() || (credentials && !same_origin))
            continue;
        wire.push_back(std::move(l));
    }
    if (with_body && !has_header(out.lines, "Content-Length:"))
        wire.push_back("Content-Length: " + std::to_string(out.body.size()));
    return wire;
}

DWORD milliseconds(long seconds)
{
    return seconds <= 0 ? INFINITE : static_cast<DWORD>(std::min<long long>(seconds * 1000LL, 0x7FFFFFFF));
}

// The head of an answer: its status line and header lines, each ending in
// CR LF, then the empty line; empty when the answer is no HTTP one, which
// the library would otherwise take for an old-style page without a head.
std::string response_head(HINTERNET request)
{
    DWORD size = 0;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    if (size == 0)
        return {};
    std::string raw(size, '\0');
    if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &size, nullptr))
        return {};
    raw.resize(std::min<std::size_t>(size, raw.size()));
    std::string head;
    for (std::string_view rest = raw; !rest.empty();) {
        const std::size_t end = std::min(rest.find("\r\n"), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 2, rest.size()));
        // A line with a zero byte ends the head, as it does in the POSIX half.
        if (line.empty() || line.find('\0') != std::string_view::npos)
            break;
        head.append(line).append("\r\n");
    }
    if (!starts_with_nocase(head, "HTTP/"))
        return {};
    return head + "\r\n";
}

// The value of the first header line of the head with the name.
std::optional<std::string_view> head_value(std::string_view head, std::string_view name_with_colon)
{
    for (std::size_t at = head.find("\r\n"); at != std::string_view::npos && at + 2 < head.size();) {
        const std::size_t end = head.find("\r\n", at + 2);
        const std::string_view line = head.substr(at + 2, end - at - 2);
        if (starts_with_nocase(line, name_with_colon))
            return trim(line.substr(name_with_colon.size()));
        at = end;
    }
    return std::nullopt;
}

int status_of(std::string_view head)
{
    const std::size_t space = head.find(' ');
    if (space == std::string_view::npos || head.size() < space + 4)
        return 0;
    const std::string_view digits = head.substr(space + 1, 3);
    return digits.find_first_not_of("0123456789") == std::string_view::npos ? std::stoi(std::string(digits)) : 0;
}

// The body length the head announces; -1 for a chunked body or no number.
std::int64_t announced_length(std::string_view head)
{
    if (head_value(head, "Transfer-Encoding:"))
        return -1;
    const std::optional<std::string_view> v = head_value(head, "Content-Length:");
    if (!v || v->empty() || v->size() > 18 || v->find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    return std::stoll(std::string(*v));
}

struct Answer {
    std::string head;
    int status = 0;
    std::optional<std::string> redirect; // the Location value of a redirect to follow; then no body is read
    std::string body;
};

// One request on the wire and its answer; none when it failed on the way.
std::optional<Answer> request_once(HINTERNET session, const Outgoing& out, const HttpLimits& lim, const Target& to,
                                   const char* verb, bool with_body, bool same_origin,
                                   const std::atomic<bool>& abandoned)
{
    const Handle connection(InternetConnectA(session, to.host.c_str(), to.port, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return std::nullopt;
    // Redirects, cookies and the cache are handled here, not by the library;
    // with no cache write a POST would gain a Cache-Control line.
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD | (to.secure ? INTERNET_FLAG_SECURE : 0);
    if (std::string_view(verb) != "POST")
        flags |= INTERNET_FLAG_NO_CACHE_WRITE;
    const Handle request(HttpOpenRequestA(connection.get(), verb, to.path.c_str(), "HTTP/1.1", nullptr, nullptr,
                                          flags, 0));
    if (!request)
        return std::nullopt;
    DWORD connecting = milliseconds(lim.connect_seconds), silence = milliseconds(lim.silence_seconds), retries = 1;
    InternetSetOptionA(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connecting, sizeof connecting);
    InternetSetOptionA(request.get(), INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
    InternetSetOptionA(request.get(), INTERNET_OPTION_SEND_TIMEOUT, &silence, sizeof silence);
    InternetSetOptionA(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &silence, sizeof silence);
    // Lines added before sending keep their order; the library adds its
    // own Host and User-Agent only when they are missing.
    for (const std::string& line : wire_lines(out, to, same_origin, with_body)) {
        if (!HttpAddRequestHeadersA(request.get(), line.c_str(), static_cast<DWORD>(line.size()), HTTP_ADDREQ_FLAG_ADD))
            return std::nullopt;
    }
    const std::string& body = out.body.str();
    void* const sent = with_body && !body.empty() ? const_cast<char*>(body.data()) : nullptr;
    const DWORD sent_size = with_body ? static_cast<DWORD>(body.size()) : 0;
    if (abandoned || !HttpSendRequestA(request.get(), nullptr, 0, sent, sent_size))
        return std::nullopt;

    Answer a;
    a.head = response_head(request.get());
    const std::uint64_t max_bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(0, lim.max_response_bytes));
    if (a.head.empty() || a.head.size() > max_bytes)
        return std::nullopt;
    a.status = status_of(a.head);
    if (out.shared_cookies) {
        for (const Text& line : header_lines(Text(a.head))) {
            if (starts_with_nocase(line.view(), "Set-Cookie:") && !set_cookie_value(line).empty())
                keep_cookie(to, trim(line.view().substr(11)));
        }
    }
    const bool bodiless = a.status / 100 == 1 || a.status == 204 || a.status == 304;
    const std::int64_t length = bodiless ? -1 : announced_length(a.head);
    if (length > 0 && static_cast<std::uint64_t>(length) > max_bytes)
        return std::nullopt;
    // The first Location line counts; an empty one leads nowhere.
    const std::optional<std::string_view> location = head_value(a.head, "Location:");
    if (out.follow_redirects && location && !location->empty() &&
        (a.status == 301 || a.status == 302 || a.status == 303 || a.status == 307 || a.status == 308)) {
        a.redirect = std::string(*location);
        return a;
    }

    std::string chunk(64 * 1024, '\0');
    for (;;) {
        DWORD n = 0;
        if (abandoned || !InternetReadFile(request.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &n))
            return std::nullopt;
        if (n == 0)
            break;
        if (n > max_bytes - a.body.size())
            return std::nullopt;
        a.body.append(chunk.data(), n);
    }
    // The library ends a body cut short by the server as if it were whole.
    if (length >= 0 && a.body.size() != static_cast<std::uint64_t>(length))
        return std::nullopt;
    return a;
}

Received exchange(const Outgoing& out, const HttpLimits& lim, const std::atomic<bool>& abandoned)
{
    Received in;
    std::optional<Target> to = split_address(out.address);
    if (!to)
        return in;
    // A proxy named without a scheme speaks HTTP; "<-loopback>" sends even
    // addresses of this machine through it, as the POSIX half does.
    std::string proxy = out.proxy.str();
    if (starts_with_nocase(proxy, "http://"))
        proxy.erase(0, 7);
    while (!proxy.empty() && proxy.back() == '/')
        proxy.pop_back();
    if (!proxy.empty() && proxy.find(':') == std::string::npos)
        proxy += ":1080";
    const Handle session(proxy.empty()
                             ? InternetOpenA(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                             : InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), "<-loopback>", 0));
    if (!session)
        return in;
    in.made = true;
    if (!out.sendable)
        return in;

    const std::string first_origin = to->origin();
    const char* verb = out.method == 1 ? "POST" : "GET";
    bool with_body = out.method != 0;
    for (long redirects = 0;; ++redirects) {
        std::optional<Answer> a =
            request_once(session.get(), out, lim, *to, verb, with_body, to->origin() == first_origin, abandoned);
        if (!a)
            return in;
        if (!a->redirect) {
            in.done = true;
            in.head = Text(std::move(a->head));
            in.body = ByteArray(std::move(a->body));
            return in;
        }
        if (lim.max_redirects >= 0 && redirects >= lim.max_redirects)
            return in;
        to = split_address(resolve(*to, *a->redirect));
        if (!to)
            return in;
        // As browsers do: after 301, 302 and 303 a POST goes on as a GET without its body.
        if (a->status <= 303) {
            verb = "GET";
            with_body = false;
        }
    }
}

} // namespace

Received carry_out(const Outgoing& out, const HttpLimits& limits)
{
    if (!out.stop.stop_possible()) {
        const std::atomic<bool> never{false};
        return exchange(out, limits, never);
    }
    Received stopped;
    stopped.made = true;
    if (out.stop.stop_requested())
        return stopped;
    // On a thread of its own, as a blocking call need not return when its handle
    // is closed: a stop ends the wait, and the thread ends at its next time-out.
    struct Shared {
        std::mutex mutex;
        std::condition_variable_any finished_cv;
        bool finished = false;
        Received result;
        std::atomic<bool> abandoned{false};
    };
    const auto shared = std::make_shared<Shared>();
    const bool started = start_detached_thread([shared, out, limits] {
        Received r = exchange(out, limits, shared->abandoned);
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(r);
        shared->finished = true;
        shared->finished_cv.notify_all();
    });
    if (!started)
        return exchange(out, limits, shared->abandoned);
    std::unique_lock lock(shared->mutex);
    if (!shared->finished_cv.wait(lock, out.stop, [&] { return shared->finished; })) {
        shared->abandoned = true;
        return stopped;
    }
    return std::move(shared->result);
}

} // namespace fenrow::http_exchange
