#include "modules/http.h"

#include "modules/encoding.h"
#include "runtime/text_routines.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

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

// The lines of a header text, cut at every CR LF. Header lines are bytes: a
// byte that would lead a two-byte character must not hide the line break.
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

// What goes on the wire, built from the request alone.
struct Outgoing {
    std::string address; // empty: no request can be made
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

// ---- Carrying it out: the only part that knows libcurl ----

void curl_ready()
{
    // Once, before the first handle; a failure here shows again as a failed handle.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)ready;
}

// The cookies of the calls that bring none of their own, shared by all threads.
class CookieStore {
public:
    CookieStore() : share_(curl_share_init())
    {
        if (share_ == nullptr)
            return;
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieStore::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieStore::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    CURLSH* handle() const { return share_; }

private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<CookieStore*>(self)->mutexes_.at(data).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<CookieStore*>(self)->mutexes_.at(data).unlock();
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
    CURLSH* share_;
};

CURLSH* cookie_store()
{
    // Never destroyed: a worker may still be using it while the process ends.
    static CookieStore* const store = new CookieStore;
    return store->handle();
}

using Clock = std::chrono::steady_clock;

// What arrives of one exchange, and when the server was last heard from.
struct Exchange {
    std::string body;
    std::string headers; // the block of the latest response
    std::size_t max_bytes = 0;
    std::chrono::seconds silence{};
    bool requested = false; // connected: reaching the server has its own limit
    Clock::time_point last_heard{};
    curl_off_t sent = 0;
    std::stop_token stop;
};

int on_request(void* exchange, char*, char*, int, int)
{
    auto& x = *static_cast<Exchange*>(exchange);
    x.requested = true;
    x.last_heard = Clock::now();
    return CURL_PREREQFUNC_OK;
}

int on_progress(void* exchange, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent)
{
    auto& x = *static_cast<Exchange*>(exchange);
    const Clock::time_point now = Clock::now();
    if (sent != x.sent) { // a server that takes the body in is not silent
        x.sent = sent;
        x.last_heard = now;
    }
    if (x.stop.stop_requested())
        return 1;
    return x.requested && now - x.last_heard > x.silence ? 1 : 0;
}

std::size_t on_body(char* data, std::size_t size, std::size_t n, void* exchange)
{
    auto& x = *static_cast<Exchange*>(exchange);
    const std::size_t len = size * n;
    x.last_heard = Clock::now();
    if (len > x.max_bytes - x.body.size())
        return 0; // fails the transfer
    x.body.append(data, len);
    return len;
}

std::size_t on_header(char* data, std::size_t size, std::size_t n, void* exchange)
{
    auto& x = *static_cast<Exchange*>(exchange);
    const std::size_t len = size * n;
    x.last_heard = Clock::now();
    std::string_view line(data, len);
    // A status line after a finished head begins the next response: an interim
    // or redirect one is over.
    const auto is_status = [](std::string_view l) {
        return l.size() >= 5 && txt_lower(Text(l.substr(0, 5))) == Text("http/");
    };
    if (x.headers.ends_with("\r\n\r\n") && is_status(line))
        x.headers.clear();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    // A zero byte would end the header text there and hide the lines after it.
    if (line.find('\0') != std::string_view::npos)
        return len;
    if (line.size() + 2 > x.max_bytes - x.headers.size())
        return 0;
    x.headers.append(line).append("\r\n");
    return len;
}

bool has_header(const std::vector<Text>& lines, const Text& name_with_colon)
{
    for (const Text& line : lines) {
        if (txt_compare(txt_lower(txt_left(line, txt_len(name_with_colon))), txt_lower(name_with_colon)) == 0)
            return true;
    }
    return false;
}

using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// The lines in their order; the library's own Expect and Proxy-Connection
// lines are switched off, as no request of ours has them.
bool make_header_list(const std::vector<Text>& lines, HeaderList& list)
{
    std::vector<Text> all = lines;
    if (!has_header(lines, "Expect:"))
        all.emplace_back("Expect:");
    if (!has_header(lines, "Proxy-Connection:"))
        all.emplace_back("Proxy-Connection:");
    for (const Text& line : all) {
        curl_slist* next = curl_slist_append(list.get(), line.c_str());
        if (next == nullptr)
            return false;
        (void)list.release();
        list.reset(next);
    }
    return true;
}

// What came back of one exchange.
struct Received {
    bool made = false; // false: no exchange could be started
    bool done = false; // false: it failed on the way, and head and body stay empty
    Text head;         // the final status line and header lines, each ending in CR LF, then the empty line
    ByteArray body;
};

Received carry_out(const Outgoing& out, const HttpLimits& lim)
{
    curl_ready();
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), &curl_easy_cleanup);
    if (!parsed || !easy ||
        curl_url_set(parsed.get(), CURLUPART_URL, out.address.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK)
        return {};
    Received in;
    in.made = true;

    Exchange x;
    x.max_bytes = static_cast<std::size_t>(lim.max_response_bytes);
    x.silence = std::chrono::seconds(lim.silence_seconds);
    x.stop = out.stop;
    HeaderList list(nullptr, &curl_slist_free_all);
    const bool listed = out.sendable && make_header_list(out.lines, list);
    std::string proxy_address;
    if (!out.proxy.empty())
        proxy_address = (txt_find(out.proxy, "://", 1, false) == -1 ? "http://" : "") + out.proxy.str();

    // The library keeps no cache, so every answer comes from the server.
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_CURLU, parsed.get());
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, out.agent.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, out.follow_redirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, lim.max_redirects);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    // The empty proxy also keeps proxies named in the environment away.
    curl_easy_setopt(h, CURLOPT_PROXY, proxy_address.c_str());
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
    if (out.shared_cookies) { // the caller's cookies replace the store's
        curl_easy_setopt(h, CURLOPT_SHARE, cookie_store());
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, lim.connect_seconds);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &on_request);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &x);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &on_progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &x);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(lim.max_response_bytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &x);
    if (out.method == 0) {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(out.body.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, out.body.str().data());
        if (out.method != 1)
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "GET");
    }

    // A failure anywhere on the way leaves no part of the answer: a body cut
    // short is never taken for the whole one.
    in.done = listed && curl_easy_perform(h) == CURLE_OK;
    if (in.done) {
        // The library ends some malformed heads without their empty line.
        if (!x.headers.empty() && !x.headers.ends_with("\r\n\r\n"))
            x.headers += "\r\n";
        in.head = Text(std::move(x.headers));
        in.body = ByteArray(std::move(x.body));
    }
    return in;
}

// ---- Reading the response ----

// The cookie of a Set-Cookie line: the text behind "Set-Cookie:" up to its
// first ';', or to the end of a line without attributes. One holding a control
// byte other than tab is no cookie: it would carry that byte into the Cookie line of a later request.
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
    if (request.utf8.value_or(named)) {
        Text source, target;
        body = encoding_convert(body, source, target);
    }
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
