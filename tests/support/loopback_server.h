// An HTTP server for tests on 127.0.0.1 only, on a port the system picks:
// it records every request's bytes and answers with what the test says.
#pragma once

#include "tests/support/loopback_socket.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fenrow::test {

struct Reply {
    std::string bytes;  // sent as they are
    bool hold = false;  // then say nothing more until the client leaves
    bool close = false; // then close the connection
};

// "HTTP/1.1 <status>", the header lines (each ending in CR LF), a matching
// Content-Length, the empty line and the body.
Reply http_reply(std::string_view body, std::string_view header_lines = "", std::string_view status = "200 OK");

class LoopbackServer {
public:
    // Called on the connection's thread with the request's bytes (head and body).
    using Handler = std::function<Reply(const std::string& request)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(std::string_view path) const;
    std::vector<std::string> requests() const;

private:
    void accept_loop();
    void serve(Socket s);

    Handler handler_;
    Socket listener_ = no_socket;
    std::atomic<bool> stopping_{false};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

// A port of 127.0.0.1 that refuses connections while this object lives.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }
    std::string url(std::string_view path) const;

private:
    Socket socket_ = no_socket;
    int port_ = 0;
};

} // namespace fenrow::test
