#include "tests/support/loopback_server.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace fenrow::test {

namespace {

// Waits until s can be read; false when the server is stopping. A short wait
// at a time, so that a stopping server is noticed soon.
bool wait_readable(Socket s, const std::atomic<bool>& stopping)
{
    while (!stopping) {
        if (readable_within(s, 20))
            return true;
    }
    return false;
}

std::size_t content_length(std::string_view head)
{
    std::string lower(head);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

// One request, head and body; empty when the client left, the server stops, or
// what arrives is not plain HTTP (a TLS handshake, say).
std::string read_request(Socket s, const std::atomic<bool>& stopping, std::string& pending)
{
    const auto read_more = [&] {
        char buf[4096];
        if (!wait_readable(s, stopping))
            return false;
        const long n = receive(s, buf, sizeof buf);
        if (n <= 0)
            return false;
        pending.append(buf, static_cast<std::size_t>(n));
        return true;
    };
    std::size_t head_end;
    while ((head_end = pending.find("\r\n\r\n")) == std::string::npos) {
        if ((!pending.empty() && !std::isalpha(static_cast<unsigned char>(pending[0]))) || !read_more())
            return {};
    }
    const std::size_t total = head_end + 4 + content_length(std::string_view(pending).substr(0, head_end + 2));
    while (pending.size() < total) {
        if (!read_more())
            return {};
    }
    std::string request = pending.substr(0, total);
    pending.erase(0, total);
    return request;
}

} // namespace

Reply http_reply(std::string_view body, std::string_view header_lines, std::string_view status)
{
    Reply r;
    r.bytes = "HTTP/1.1 " + std::string(status) + "\r\n" + std::string(header_lines) +
              "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
    return r;
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler))
{
    listener_ = bind_loopback(port_);
    if (!listen_on(listener_)) {
        close_socket(listener_);
        throw std::runtime_error("listen");
    }
    acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    acceptor_.join();
    for (std::thread& t : connections_)
        t.join();
    close_socket(listener_);
}

std::string LoopbackServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<std::string> LoopbackServer::requests() const
{
    const std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::accept_loop()
{
    while (wait_readable(listener_, stopping_)) {
        const Socket s = accept_on(listener_);
        if (s == no_socket)
            continue;
        connections_.emplace_back([this, s] { serve(s); });
    }
}

void LoopbackServer::serve(Socket s)
{
    std::string pending;
    for (;;) {
        const std::string request = read_request(s, stopping_, pending);
        if (request.empty())
            break;
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = handler_(request);
        if (!send_all(s, reply.bytes))
            break;
        if (reply.hold) {
            char buf[4096];
            while (wait_readable(s, stopping_) && receive(s, buf, sizeof buf) > 0) {
            }
            break;
        }
        if (reply.close)
            break;
    }
    close_socket(s);
}

RefusingPort::RefusingPort() { socket_ = bind_loopback(port_); }

RefusingPort::~RefusingPort() { close_socket(socket_); }

std::string RefusingPort::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

} // namespace fenrow::test
