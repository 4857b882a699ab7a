// The HTTP client's response handling on arbitrary responses from a loopback
// server, and the cookie merge and address parts on arbitrary texts.
#include "modules/encoding.h"
#include "modules/http.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace fenrow;

namespace {

Text no_zero(const std::string& s) { return Text(std::string_view(s)); }

// Characters as the text primitives step them: a byte from 0x81 up leads a
// two-byte character unless it is the last byte.
std::vector<std::string> chars_of(const std::string& s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = static_cast<unsigned char>(s[i]) > 0x80 && i + 1 < s.size() ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

// Pieces between whole-character occurrences of sep; no piece after a final sep.
std::vector<std::string> split_ref(const std::string& s, const std::string& sep)
{
    std::vector<std::string> pieces;
    if (s.empty())
        return pieces;
    std::string piece;
    std::size_t i = 0;
    bool open = true;
    while (i < s.size()) {
        if (s.compare(i, sep.size(), sep) == 0) {
            pieces.push_back(piece);
            piece.clear();
            i += sep.size();
            open = false;
            continue;
        }
        const std::size_t n = static_cast<unsigned char>(s[i]) > 0x80 && i + 1 < s.size() ? 2 : 1;
        piece += s.substr(i, n);
        i += n;
        open = true;
    }
    if (open && !piece.empty())
        pieces.push_back(piece);
    return pieces;
}

std::string strip_spaces_ref(const std::string& s)
{
    std::string out;
    for (const std::string& c : chars_of(s))
        if (c != " " && c != "\xa1\xa1")
            out += c;
    return out;
}

std::string name_ref(const std::string& item)
{
    const std::vector<std::string> cut = split_ref(item, "=");
    return cut.empty() ? std::string() : cut.front();
}

std::string merge_ref(const std::string& cookies, const std::string& new_cookies)
{
    const std::vector<std::string> old_items = split_ref(strip_spaces_ref(cookies), ";");
    std::vector<std::string> items = split_ref(strip_spaces_ref(new_cookies), ";");
    std::set<std::string> new_names;
    for (const std::string& item : items)
        new_names.insert(name_ref(item));
    for (const std::string& item : old_items)
        if (!new_names.count(name_ref(item)))
            items.push_back(item);
    std::string joined;
    for (const std::string& item : items)
        if (!(item.size() >= 8 && item.compare(item.size() - 8, 8, "=deleted") == 0))
            joined += item + "; ";
    if (joined.empty())
        return {};
    joined.resize(joined.size() - 2);
    std::set<std::string> seen;
    std::string out;
    for (const std::string& item : split_ref(joined, "; "))
        if (seen.insert(item).second)
            out += item + "; ";
    return out.empty() ? out : out.substr(0, out.size() - 2);
}

// Serves one response per connection: reads the request head, sends the
// current bytes, closes. Not the tests' LoopbackServer, which keeps every
// request and a thread per connection: millions of runs would pile them up.
class OneShotServer {
public:
    OneShotServer()
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        CHECK(bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
        socklen_t len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        CHECK(listen(listener_, 16) == 0);
        std::thread([this] { serve(); }).detach();
    }
    void set_reply(std::string bytes)
    {
        const std::lock_guard lock(mutex_);
        reply_ = std::move(bytes);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/p"; }

private:
    void serve()
    {
        for (;;) {
            const int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(fd, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            std::string reply;
            {
                const std::lock_guard lock(mutex_);
                reply = reply_;
            }
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            shutdown(fd, SHUT_WR);
            close(fd);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::string reply_;
};

bool has_control_byte(const Text& t)
{
    return std::any_of(t.view().begin(), t.view().end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F;
    });
}

bool contains_lower(std::string s, const std::string& what)
{
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s.find(what) != std::string::npos;
}

void check_exchange(FuzzedDataProvider& in)
{
    static OneShotServer server;
    static const bool quick = [] {
        http_set_limits({5, 5, std::int64_t{1} << 20, 0});
        return true;
    }();
    (void)quick;

    // Either raw bytes, or a status line, header lines and a body whose
    // length is given, so that the body handed back is known.
    const bool raw = in.ConsumeBool();
    std::string reply, body;
    bool body_known = false;
    if (raw) {
        reply = in.ConsumeRandomLengthString(4096);
    } else {
        std::string lines;
        for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n) {
            std::string line = in.ConsumeRandomLengthString(80);
            line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }),
                       line.end());
            if (!line.empty()) // an empty line would end the head early
                lines += line + "\r\n";
        }
        body = in.ConsumeRandomLengthString(2048);
        reply = "HTTP/1.1 200 OK\r\n" + lines + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        // The library takes a head line with a zero byte for the end of the head.
        body_known = lines.find('\0') == std::string::npos && !contains_lower(lines, "content-length") && !contains_lower(lines, "transfer-encoding") &&
                     !contains_lower(lines, "content-encoding");
    }
    server.set_reply(reply);

    const Text cookies_before = no_zero(in.ConsumeRandomLengthString(64));
    const HttpResponse r = http_fetch({.url = Text(server.url()), .cookies = cookies_before, .no_redirect = true});
    const Text &result = r.body, &cookies = r.cookies, &new_cookies = r.new_cookies, &location = r.location,
               &block = r.headers;

    if (std::getenv("FUZZ_HTTP_SHOW") != nullptr) { // to read a finding
        std::fprintf(stderr, "reply:\n");
        std::fwrite(reply.data(), 1, reply.size(), stderr);
        std::fprintf(stderr, "\nblock:\n%s\nresult:\n%s\n", block.c_str(), result.c_str());
    }
    // Whatever came back, no cookie can carry a line break into a later request.
    CHECK(!has_control_byte(new_cookies));
    if (!has_control_byte(cookies_before))
        CHECK(!has_control_byte(cookies));
    CHECK(cookies.str() == merge_ref(cookies_before.str(), new_cookies.str()));
    if (block == txt_spaces(http_failed_header_spaces)) {
        CHECK(result.empty());
        CHECK(new_cookies.empty());
        CHECK(location == block);
        return;
    }
    CHECK(contains_lower(block.str().substr(0, 5), "http/"));
    CHECK(block.str().ends_with("\r\n\r\n"));
    if (!contains_lower(block.str(), "location:"))
        CHECK(location == block);
    if (body_known) {
        const bool utf8 = contains_lower(block.str(), "utf-8") ||
                          [&] {
                              const std::size_t at = body.substr(0, 503).find("utf-8");
                              return at != std::string::npos && at < 499;
                          }();
        Text source, target;
        const ByteArray expected = utf8 ? encoding_convert(ByteArray(body), source, target) : ByteArray(body);
        CHECK(result == txt_from_bytes(expected));
    }
}

void check_pure(FuzzedDataProvider& in)
{
    Text cookies = no_zero(in.ConsumeRandomLengthString(64));
    Text new_cookies = no_zero(in.ConsumeRandomLengthString(64));
    const std::string expected = merge_ref(cookies.str(), new_cookies.str());
    CHECK(merge_cookies(cookies, new_cookies).str() == expected);
    CHECK(cookies.str() == expected);

    const Text url = no_zero(in.ConsumeRandomLengthString(64));
    const bool keep_port = in.ConsumeBool();
    const Text host = url_host(url, keep_port);
    // A '/' may hide as the second byte of a two-byte character; such hosts are never requested.
    const bool ascii = std::all_of(url.view().begin(), url.view().end(), [](char c) { return c > 0; });
    if (ascii)
        CHECK(host.view().find('/') == std::string_view::npos);
    const Text path = url_path(url);
    CHECK(!path.empty() && path.str()[0] == '/');
    (void)url_port(url);
    const Text value = header_value(url);
    CHECK(value.str() == txt_trim(value).str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        check_exchange(in);
    else
        check_pure(in);
    return 0;
}
