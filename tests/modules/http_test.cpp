#include "modules/http.h"

#include "runtime/codepage.h"
#include "tests/support/http_rules.h"
#include "tests/support/loopback_server.h"
#include "tests/support/print.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace fenrow;
using fenrow::test::http_reply;
using fenrow::test::LoopbackServer;
using fenrow::test::RefusingPort;
using fenrow::test::Reply;

namespace {

const std::string agent_line = std::string("User-Agent: ") + http_default_user_agent + "\r\n";
const std::string form_lines = "Accept: */*\r\nAccept-Language: zh-cn\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n";


// Answers every request with the same reply.
LoopbackServer always(Reply r)
{
    return LoopbackServer([r](const std::string&) { return r; });
}

// Limits for one test, put back at its end.
struct Limits {
    explicit Limits(HttpLimits l) : old(http_set_limits(l)) {}
    ~Limits() { http_set_limits(old); }
    HttpLimits old;
};

TEST(UrlParts, HostPortAndPath)
{
    const struct {
        const char* url;
        const char *host, *host_and_port;
        int port;
        const char* path;
    } cases[] = {
        {"SomeHost/Path?a=B", "somehost", "somehost", 80, "/Path?a=B"},
        {"https://host:8443/x", "host", "host:8443", 8443, "/x"},
        {"https://host/x", "host", "host", 443, "/x"},
        {"HTTPS://Host/X", "host", "host", 443, "/X"},
        {"http://Host.COM", "host.com", "host.com", 80, "/"},
        {"http://host.com:8080", "host.com", "host.com:8080", 8080, "/"},
        {"host:81/a/b/", "host", "host:81", 81, "/a/b/"},
        {"http://tp/x", "tp", "tp", 80, "/x"}, // a host that "http" holds
        {"http://h:/x", "h", "h:", 0, "/x"},
        {"", "", "", 80, "/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(url_host(c.url, false), Text(c.host)) << c.url;
        EXPECT_EQ(url_host(c.url, true), Text(c.host_and_port)) << c.url;
        EXPECT_EQ(url_port(c.url), c.port) << c.url;
        EXPECT_EQ(url_path(c.url), Text(c.path)) << c.url;
    }
}

TEST(HeaderValue, BehindTheFirstColonTrimmed)
{
    const struct {
        const char *line, *value;
    } cases[] = {
        {"Location: http://h:8/x ", "http://h:8/x"},
        {"Location:/b", "/b"},
        {"X:", ""},
        {"no colon", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(header_value(c.line), Text(c.value)) << c.line;
}

TEST(MergeCookies, NewFirstThenSurvivingOld)
{
    const struct {
        const char *cookies, *new_cookies, *merged, *new_after;
    } cases[] = {
        {"a=1; c=3", "a=9; x=deleted", "a=9; c=3", "a=9;x=deleted"},
        {"a=1; b=2", "", "a=1; b=2", ""},
        {"", "a=1; b=2", "a=1; b=2", "a=1;b=2"},
        {"a=1", "a=deleted", "", "a=deleted"},
        {"a = 1; b=2", "b=2; a=1", "b=2; a=1", "b=2;a=1"},
        {"a=1; a=1; flag", "c=3", "c=3; a=1; flag", "c=3"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        Text cookies = c.cookies, new_cookies = c.new_cookies;
        EXPECT_EQ(merge_cookies(cookies, new_cookies), Text(c.merged)) << c.cookies << " + " << c.new_cookies;
        EXPECT_EQ(cookies, Text(c.merged));
        EXPECT_EQ(new_cookies, Text(c.new_after));
    }
}

TEST(HttpFetch, RequestBytes)
{
    LoopbackServer server = always(http_reply("ok"));
    const std::string url = server.url("/Path?a=B");
    const struct {
        const char* what;
        int method;
        Text headers;
        std::optional<Text> cookies;
        std::string post_text, post_bytes;
        std::string sent, completed, post_bytes_after;
    } cases[] = {
        {"defaults", 0, "", std::nullopt, "", "",
         "GET /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line + "Referer: URL\r\n" + form_lines + "\r\n",
         "Referer: URL\r\n" + form_lines.substr(0, form_lines.size() - 2), ""},
        {"own lines in lower case and cookies", 0, "accept: text/html\r\nuser-agent: Bot/1.0", T("a=1; b=2"), "", "",
         "GET /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\naccept: text/html\r\nuser-agent: Bot/1.0\r\n"
         "Referer: URL\r\n" + form_lines + "Cookie: a=1; b=2\r\n\r\n",
         "accept: text/html\r\nuser-agent: Bot/1.0\r\nReferer: URL\r\n" + form_lines + "Cookie: a=1; b=2", ""},
        {"own lines kept, empty cookies send none", 0,
         "Content-Type: text/plain\r\nReferer: http://r/\r\nAccept-Language: en\r\nAccept: a/b", T(""), "", "",
         "GET /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line +
             "Content-Type: text/plain\r\nReferer: http://r/\r\nAccept-Language: en\r\nAccept: a/b\r\n\r\n",
         "Content-Type: text/plain\r\nReferer: http://r/\r\nAccept-Language: en\r\nAccept: a/b", ""},
        {"post text", 1, "", std::nullopt, "x=1&y=2", "",
         "POST /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line + "Referer: URL\r\n" + form_lines +
             "Content-Length: 7\r\n\r\nx=1&y=2",
         "Referer: URL\r\n" + form_lines.substr(0, form_lines.size() - 2), "x=1&y=2"},
        {"post bytes win over text", 1, "", std::nullopt, "ignored", std::string("a\0b", 3),
         "POST /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line + "Referer: URL\r\n" + form_lines +
             "Content-Length: 3\r\n\r\n" + std::string("a\0b", 3),
         "Referer: URL\r\n" + form_lines.substr(0, form_lines.size() - 2), std::string("a\0b", 3)},
        {"post of nothing", 1, "", std::nullopt, "", "",
         "POST /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line + "Referer: URL\r\n" + form_lines +
             "Content-Length: 0\r\n\r\n",
         "Referer: URL\r\n" + form_lines.substr(0, form_lines.size() - 2), ""},
        {"other methods: GET with a body", 2, "", std::nullopt, "q", "",
         "GET /Path?a=B HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + agent_line + "Referer: URL\r\n" + form_lines +
             "Content-Length: 1\r\n\r\nq",
         "Referer: URL\r\n" + form_lines.substr(0, form_lines.size() - 2), "q"},
    };
    const auto fill = [&](std::string s) {
        for (std::size_t at; (at = s.find("PORT")) != std::string::npos;)
            s.replace(at, 4, std::to_string(server.port()));
        for (std::size_t at; (at = s.find("URL")) != std::string::npos;)
            s.replace(at, 3, url);
        return s;
    };
    std::size_t seen = 0;
    for (const auto& c : cases) {
        const HttpResponse r = http_fetch({.url = Text(url),
                                           .method = c.method,
                                           .post_text = Text(c.post_text),
                                           .post_bytes = ByteArray(c.post_bytes),
                                           .cookies = c.cookies,
                                           .headers = c.headers});
        EXPECT_EQ(r.body, Text("ok")) << c.what;
        const std::vector<std::string> requests = server.requests();
        ASSERT_EQ(requests.size(), ++seen) << c.what;
        EXPECT_EQ(requests.back(), fill(c.sent)) << c.what;
        EXPECT_EQ(r.request_headers, Text(fill(c.completed))) << c.what;
        EXPECT_EQ(r.post_bytes, ByteArray(c.post_bytes_after)) << c.what;
    }
}

// Serves /from as a redirect to /to, and /to as a page.
Reply redirecting(const std::string& request)
{
    if (request.starts_with("GET /from "))
        return http_reply("moved", "Location: /to\r\n", "302 Found");
    return http_reply("arrived", "X-Page: to\r\n");
}

TEST(HttpFetch, RedirectsFollowedUnlessTold)
{
    LoopbackServer server(redirecting);
    const Text url(server.url("/from"));
    HttpResponse r = http_fetch({.url = url});
    EXPECT_EQ(r.body, Text("arrived"));
    // The final response's block, and no Location line in it: the whole block.
    EXPECT_EQ(r.headers, Text("HTTP/1.1 200 OK\r\nX-Page: to\r\nContent-Length: 7\r\n\r\n"));
    EXPECT_EQ(r.location, r.headers);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(server.requests()[1].starts_with("GET /to HTTP/1.1\r\n"));

    r = http_fetch({.url = url, .no_redirect = true});
    EXPECT_EQ(r.body, Text("moved"));
    EXPECT_EQ(r.location, Text("/to"));
    EXPECT_EQ(r.headers, Text("HTTP/1.1 302 Found\r\nLocation: /to\r\nContent-Length: 5\r\n\r\n"));
    EXPECT_EQ(server.requests().size(), 3u);
}

TEST(HttpFetch, HeaderBlockHasCrLfLinesWhateverTheServerSent)
{
    Reply r;
    r.bytes = "HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 2\n\nhi";
    LoopbackServer server = always(r);
    const HttpResponse got = http_fetch({.url = Text(server.url("/"))});
    EXPECT_EQ(got.body, Text("hi"));
    EXPECT_EQ(got.headers, Text("HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n"));

    // The library ends the head at a line with a zero byte; the block still ends in its empty line.
    r.bytes = std::string("HTTP/1.1 200 OK\r\nX-B: 2\r\n\0\r\nX-C: 3\r\n\r\n", 38);
    r.close = true;
    LoopbackServer cut = always(r);
    EXPECT_EQ(http_fetch({.url = Text(cut.url("/"))}).headers, Text("HTTP/1.1 200 OK\r\nX-B: 2\r\n\r\n"));
}

TEST(HttpFetch, CookiesOfTheResponse)
{
    // Cookies kept to /scoped, lest the store send them with other tests' requests.
    const struct {
        const char* what;
        std::string set_lines;
        const char *cookies_before, *cookies_after, *new_cookies_merged, *new_cookies_alone;
    } cases[] = {
        {"two lines", "Set-Cookie: a=1; path=/scoped\r\nSet-Cookie: b=2; path=/scoped\r\n", "", "a=1; b=2", "a=1;b=2",
         "a=1; b=2"},
        {"merged into the old ones",
         "Set-Cookie: a=9; path=/scoped\r\nSet-Cookie: x=deleted; path=/scoped; expires=Thu, 01-Jan-1970 00:00:01 GMT\r\n",
         "a=1; c=3", "a=9; c=3", "a=9;x=deleted", "a=9; x=deleted"},
        {"a cookie without attributes", "Set-Cookie: s=7\r\nSet-Cookie: t=8; path=/scoped; HttpOnly\r\n", "", "s=7; t=8",
         "s=7;t=8", "s=7; t=8"},
        {"lines that carry no cookie", "Set-Cookie2: v=1; path=/scoped\r\nSet-Cookie: ; path=/scoped\r\n", "k=1", "k=1",
         "", ""},
        {"none", "", "k = 1", "k=1", "", ""},
        {"a byte that could lead a character ends no line early", "Set-Cookie: a=\xf4\r\nX-After: 1\r\n", "",
         "a=\xf4", "a=\xf4", "a=\xf4"},
        {"a head line that looks like a status line", "Set-Cookie: a=1\r\nHTTP/x: y\r\n", "", "a=1", "a=1", "a=1"},
        {"a control byte makes no cookie", "Set-Cookie: b=1\x01x; path=/scoped\r\nSet-Cookie: c=\t2\r\n", "k=1",
         "c=\t2; k=1", "c=\t2", "c=\t2"},
    };
    for (const auto& c : cases) {
        LoopbackServer server = always(http_reply("", c.set_lines));
        const HttpResponse merged = http_fetch({.url = Text(server.url("/scoped/x")), .cookies = c.cookies_before});
        EXPECT_EQ(merged.cookies, Text(c.cookies_after)) << c.what;
        EXPECT_EQ(merged.new_cookies, Text(c.new_cookies_merged)) << c.what;
        const HttpResponse alone = http_fetch({.url = Text(server.url("/scoped/x"))});
        EXPECT_EQ(alone.new_cookies, Text(c.new_cookies_alone)) << c.what;
    }
}

TEST(HttpFetch, TheStoreKeepsCookiesOfCallsThatBringNone)
{
    LoopbackServer server([](const std::string& request) {
        if (request.starts_with("GET /jar/set "))
            return http_reply("", "Set-Cookie: jar=1; Path=/jar\r\n");
        return http_reply("");
    });
    http_fetch({.url = Text(server.url("/jar/set"))});
    http_fetch({.url = Text(server.url("/jar/see"))});
    http_fetch({.url = Text(server.url("/jar/own")), .cookies = Text()});
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nCookie: jar=1\r\n"), std::string::npos) << requests[1];
    EXPECT_EQ(requests[2].find("Cookie"), std::string::npos) << requests[2];
}

TEST(HttpFetch, TheStoreKeepsCookiesUntilTheyExpire)
{
    const struct {
        const char* what;
        std::vector<std::string> set_cookies; // one response each, in turn
        bool kept;
    } cases[] = {
        {"an expiry to come", {"e1=1; Path=/expiry; Expires=Fri, 01 Jan 2100 00:00:00 GMT"}, true},
        {"a maximum age to come", {"e2=1; Path=/expiry; Max-Age=3600"}, true},
        {"deleted by an expiry gone",
         {"e3=1; Path=/expiry", "e3=x; Path=/expiry; Expires=Thu, 01 Jan 1970 00:00:01 GMT"}, false},
        {"deleted by a maximum age of 0", {"e4=1; Path=/expiry", "e4=x; Path=/expiry; Max-Age=0"}, false},
        {"the maximum age wins over the expiry",
         {"e5=1; Path=/expiry; Max-Age=3600; Expires=Thu, 01 Jan 1970 00:00:01 GMT"}, true},
    };
    for (const auto& c : cases) {
        std::atomic<std::size_t> next{0};
        LoopbackServer server([&](const std::string& request) {
            if (request.starts_with("GET /expiry/set "))
                return http_reply("", "Set-Cookie: " + c.set_cookies[next++] + "\r\n");
            return http_reply("");
        });
        for (std::size_t i = 0; i < c.set_cookies.size(); ++i)
            http_fetch({.url = Text(server.url("/expiry/set"))});
        http_fetch({.url = Text(server.url("/expiry/see"))});
        const std::string seen = server.requests().back();
        const std::size_t at = seen.find("\r\nCookie: ");
        const std::string cookie_line = at == std::string::npos ? "" : seen.substr(at, seen.find("\r\n", at + 2) - at);
        const std::string name = c.set_cookies[0].substr(0, 3);
        EXPECT_EQ(cookie_line.find(name) != std::string::npos, c.kept) << c.what << ": " << cookie_line;
    }
}

TEST(HttpFetch, TheStoreIsSafeAcrossThreads)
{
    std::atomic<int> n{0};
    LoopbackServer server([&n](const std::string&) {
        return http_reply("x", "Set-Cookie: t" + std::to_string(++n) + "=1; Path=/threads\r\n");
    });
    std::vector<std::thread> threads;
    std::atomic<int> answered{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < 5; ++j)
                answered += http_fetch({.url = Text(server.url("/threads/x"))}).body == Text("x");
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(answered, 20);
}

TEST(HttpFetch, Utf8PagesBecomeSystemText)
{
    const std::string zhong = "\xe4\xb8\xad"; // in UTF-8
    const std::string gbk_zhong = "\xd6\xd0";
    const struct {
        const char* what;
        std::string header_lines, body, result;
    } cases[] = {
        {"named early in the body", "", "<meta charset=utf-8>" + zhong, "<meta charset=utf-8>" + gbk_zhong},
        {"starting at byte 499", "", std::string(498, 'x') + "utf-8" + zhong, std::string(498, 'x') + "utf-8" + gbk_zhong},
        {"starting at byte 500", "", std::string(499, 'x') + "utf-8" + zhong, std::string(499, 'x') + "utf-8" + zhong},
        {"named in the headers in any case", "Content-Type: text/html; charset=UTF-8\r\n", zhong, gbk_zhong},
        {"named behind a byte that could lead a character", "X-Raw: \x88\r\nX-Set: \x88utf-8\r\n", zhong, gbk_zhong},
        {"upper case in the body only", "Content-Type: text/html\r\n", "charset=UTF-8 " + zhong, "charset=UTF-8 " + zhong},
        {"not named", "", gbk_zhong, gbk_zhong},
        {"ends at a zero byte", "", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& c : cases) {
        LoopbackServer server = always(http_reply(c.body, c.header_lines));
        EXPECT_EQ(http_fetch({.url = Text(server.url("/"))}).body, Text(c.result)) << c.what;
    }
    // The caller's word wins over what the page names.
    LoopbackServer named = always(http_reply(zhong, "Content-Type: text/html; charset=utf-8\r\n"));
    EXPECT_EQ(http_fetch({.url = Text(named.url("/")), .utf8 = false}).body, Text(zhong));
    LoopbackServer unnamed = always(http_reply(zhong));
    EXPECT_EQ(http_fetch({.url = Text(unnamed.url("/")), .utf8 = true}).body, Text(gbk_zhong));
}

// What a failed exchange leaves behind.
void expect_failed(const HttpResponse& r, const std::string& what)
{
    EXPECT_EQ(r.body, Text()) << what;
    EXPECT_EQ(r.headers, txt_spaces(http_failed_header_spaces)) << what;
    EXPECT_EQ(r.location, r.headers) << what;
    EXPECT_EQ(r.new_cookies, Text()) << what;
    EXPECT_EQ(txt_left(r.request_headers, 9), Text("Referer: ")) << what;
}

HttpResponse fetch(const std::string& url, const Text& proxy = Text())
{
    return http_fetch({.url = Text(url), .proxy = proxy});
}

TEST(HttpFetch, FailedExchangesGiveNothingOfTheAnswer)
{
    const Limits quick({60, 1, 64 * 1024, 30});
    Reply silent;
    silent.hold = true;
    Reply headers_then_silence = http_reply(std::string(100, 'x'));
    headers_then_silence.bytes.resize(headers_then_silence.bytes.size() - 50);
    headers_then_silence.hold = true;
    Reply cut_short = headers_then_silence;
    cut_short.hold = false;
    cut_short.close = true;
    Reply too_long_unannounced;
    too_long_unannounced.bytes = "HTTP/1.1 200 OK\r\n\r\n" + std::string(64 * 1024 + 1, 'x');
    too_long_unannounced.close = true;
    Reply nothing;
    nothing.close = true;
    Reply huge_headers;
    huge_headers.bytes = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 1000; ++i)
        huge_headers.bytes += "X-Line-" + std::to_string(i) + ": " + std::string(80, 'h') + "\r\n";
    huge_headers.bytes += "Content-Length: 0\r\n\r\n";
    huge_headers.close = true;
    const struct {
        const char* what;
        Reply reply;
    } cases[] = {
        {"never answers", silent},
        {"falls silent within the body", headers_then_silence},
        {"closes within the body", cut_short},
        {"announces a body over the bound", http_reply(std::string(64 * 1024 + 1, 'x'))},
        {"sends a body over the bound", too_long_unannounced},
        {"sends a header block over the bound", huge_headers},
        {"closes without an answer", nothing},
        {"redirects without end", http_reply("", "Location: /\r\n", "302 Found")},
    };
    // Side by side, as the silent ones take a few seconds each.
    std::vector<HttpResponse> outcomes(std::size(cases));
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        threads.emplace_back([&, i] {
            LoopbackServer server = always(cases[i].reply);
            outcomes[i] = fetch(server.url("/"));
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < std::size(cases); ++i)
        expect_failed(outcomes[i], cases[i].what);
    // Just within the bound is fine.
    LoopbackServer server = always(http_reply(std::string(64 * 1024, 'x')));
    EXPECT_EQ(fetch(server.url("/")).body.size(), 64 * 1024);
}

TEST(HttpFetch, RefusedConnection)
{
    const RefusingPort port;
    expect_failed(fetch(port.url("/")), "refused");
}

TEST(HttpFetch, HttpsSpeaksTls)
{
    // A plain server cannot answer a TLS handshake: nothing is sent in the clear.
    LoopbackServer server = always(http_reply("plain"));
    expect_failed(fetch("https://127.0.0.1:" + std::to_string(server.port()) + "/"), "https");
    EXPECT_TRUE(server.requests().empty());
}

TEST(HttpFetch, ProxyCarriesHttpRequests)
{
    LoopbackServer proxy = always(http_reply("via proxy"));
    const Text through("127.0.0.1:" + std::to_string(proxy.port()));
    // An "https" address goes direct, here to a port that refuses.
    const RefusingPort port;
    expect_failed(fetch("https://127.0.0.1:" + std::to_string(port.port()) + "/", through), "https by proxy");
    EXPECT_TRUE(proxy.requests().empty());

    EXPECT_EQ(fetch("http://fenrow.invalid/x?y=1", through).body, Text("via proxy"));
    ASSERT_EQ(proxy.requests().size(), 1u);
    if (!fenrow::test::proxied_request_omits_default_port())
        GTEST_SKIP() << "this system's HTTP client writes the port 80 into the request line for a proxy";
    EXPECT_EQ(proxy.requests()[0], "GET http://fenrow.invalid/x?y=1 HTTP/1.1\r\nHost: fenrow.invalid\r\n" + agent_line +
                                       "Referer: http://fenrow.invalid/x?y=1\r\n" + form_lines + "\r\n");
}

TEST(HttpFetch, AddressesNoRequestCanBeMadeOfLeaveEverythingAlone)
{
    LoopbackServer server = always(http_reply("ok"));
    const std::string p = std::to_string(server.port());
    const std::string urls[] = {
        "http://127.0.0.1:" + p + "/a\r\nX-Evil: 1",
        "\nhttp://127.0.0.1:" + p + "/",
        "http://127.0.0.1:70000/",
        "http://user@127.0.0.1:" + p + "/",
        "http:///x",
    };
    for (const std::string& url : urls) {
        const HttpResponse r = http_fetch({.url = Text(url),
                                           .method = 1,
                                           .post_text = "t",
                                           .post_bytes = ByteArray(std::string("b")),
                                           .cookies = Text("c=1"),
                                           .headers = "before"});
        EXPECT_FALSE(r.made) << url;
        EXPECT_EQ(r.body, Text()) << url;
        for (const Text* t : {&r.new_cookies, &r.request_headers, &r.location, &r.headers, &r.cookies})
            EXPECT_EQ(*t, Text()) << url;
        EXPECT_EQ(r.post_bytes, ByteArray()) << url;
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST(HttpFetch, LargeBodiesGoAtOnceAndLongHeaderBlocksComeWhole)
{
    std::string filler;
    for (int i = 0; i < 100; ++i)
        filler += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'f') + "\r\n";
    LoopbackServer server = always(http_reply("ok", filler + "Set-Cookie: late=1; path=/big\r\nLocation: /last\r\n"));
    const std::string body(2 << 20, 'b');
    const HttpResponse r =
        http_fetch({.url = Text(server.url("/big")), .method = 1, .post_text = Text(body), .cookies = Text()});
    EXPECT_EQ(r.body, Text("ok"));
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string request = server.requests()[0];
    EXPECT_EQ(request.find("Expect"), std::string::npos);
    EXPECT_TRUE(request.ends_with("\r\n\r\n" + body));
    EXPECT_GT(r.headers.size(), 7000);
    EXPECT_EQ(r.new_cookies, Text("late=1"));
    EXPECT_EQ(r.location, Text("/last"));
}

TEST(HttpFetch, HeaderLinesAreCutAtCrLfOnlyAndLoneBreaksSendNothing)
{
    LoopbackServer server = always(http_reply("ok"));
    EXPECT_EQ(http_fetch({.url = Text(server.url("/")), .headers = "X-A: \xf4\r\nX-B: 2"}).body, Text("ok"));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_NE(server.requests()[0].find("\r\nX-A: \xf4\r\nX-B: 2\r\n"), std::string::npos);

    for (const char* lone : {"X-A: 1\nX-B: 2", "X-A: 1\rX-B: 2"}) {
        const HttpResponse r = http_fetch({.url = Text(server.url("/")), .headers = lone});
        EXPECT_EQ(r.body, Text());
        EXPECT_EQ(r.headers, txt_spaces(http_failed_header_spaces));
    }
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(HttpFetch, SpacesInThePathGoEscaped)
{
    LoopbackServer server = always(http_reply("ok"));
    EXPECT_EQ(http_fetch({.url = Text(server.url("/a b?q=x y"))}).body, Text("ok"));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(server.requests()[0].starts_with("GET /a%20b?q=x%20y HTTP/1.1\r\n")) << server.requests()[0];
}

} // namespace
