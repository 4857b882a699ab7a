// The exchange over libcurl.
#include "modules/http_exchange.h"

#include "runtime/text_routines.h"

#include <curl/curl.h>

#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow::http_exchange {

namespace {

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

} // namespace

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

} // namespace fenrow::http_exchange
