#include "app/usage_counter.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "runtime/codepage.h"
#include "tests/support/loopback_server.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace fenrow;
using fenrow::test::http_reply;
using fenrow::test::LoopbackServer;
using fenrow::test::RefusingPort;

namespace {

Text pane_after_fetching(const std::string& address)
{
    MemoryControls ui{control_table()};
    fetch_usage_count(ui, Text(address));
    return ui.pane_text(ctl::status_bar, usage_pane);
}

TEST(UsageCounter, CountFromThePage)
{
    const struct {
        const char* what;
        std::string header_lines, page;
        Text pane;
        const char* status = "200 OK";
    } cases[] = {
        {"the phrase", "", ("<p>本文已有 1234 次阅读</p>"_t).str(), "1234 次"_t},
        {"two spaces each side", "", ("已有  1234  次阅读"_t).str(), " 1234  次"_t},
        {"the phrase twice", "", ("已有 7 次阅读, 已有 8 次阅读"_t).str(), "7 次"_t},
        {"tail before head", "", (" 次阅读 ... 已有 9"_t).str(), "获取失败"_t},
        {"head only", "", ("已有 9 次"_t).str(), "获取失败"_t},
        {"nothing between", "", ("已有  次阅读"_t).str(), "获取失败"_t},
        {"empty page", "", "", "获取失败"_t},
        {"a page in UTF-8", "Content-Type: text/html; charset=utf-8\r\n", "已有 56 次阅读", "56 次"_t},
        {"an error page without the phrase", "", "gone", "获取失败"_t, "500 Internal Server Error"},
    };
    for (const auto& c : cases) {
        LoopbackServer server([&c](const std::string&) { return http_reply(c.page, c.header_lines, c.status); });
        EXPECT_EQ(pane_after_fetching(server.url("/blog/1")), c.pane) << c.what;
        ASSERT_EQ(server.requests().size(), 1u) << c.what;
        EXPECT_TRUE(server.requests()[0].starts_with("GET /blog/1 HTTP/1.1\r\n")) << c.what;
    }
}

TEST(UsageCounter, AStopRequestEndsTheRequestAsAFailure)
{
    LoopbackServer silent([](const std::string&) {
        fenrow::test::Reply r;
        r.hold = true;
        return r;
    });
    MemoryControls ui{control_table()};
    const auto start = std::chrono::steady_clock::now();
    {
        WorkerGroup workers;
        workers.start([&](std::stop_token stop) { fetch_usage_count(ui, Text(silent.url("/")), stop); });
        while (silent.requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } // asks the worker to stop and waits for it
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)); // the silence limit is 30 s
    EXPECT_EQ(ui.pane_text(ctl::status_bar, usage_pane), "获取失败"_t);
}

TEST(UsageCounter, NoNetworkShowsTheFailure)
{
    const RefusingPort port;
    EXPECT_EQ(pane_after_fetching(port.url("/")), "获取失败"_t);
}

} // namespace
