#include "tests/support/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace fenrow::test {

namespace {

// A socket bound to 127.0.0.1 on a port the system picks.
int bind_loopback(int& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    port = ntohs(a.sin_port);
    return fd;
}

// Waits until fd can be read; false when the server is stopping.
bool wait_readable(int fd, int stop)
{
    pollfd p[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
    while (::poll(p, 2, -1) < 0) {
    }
    return (p[1].revents & POLLIN) == 0;
}

bool send_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
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
std::string read_request(int fd, int stop, std::string& pending)
{
    const auto read_more = [&] {
        char buf[4096];
        if (!wait_readable(fd, stop))
            return false;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
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
    if (::listen(listener_, 16) != 0 || ::pipe2(stop_pipe_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("listen");
    }
    acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackServer::~LoopbackServer()
{
    const char stop = 1;
    (void)!::write(stop_pipe_[1], &stop, 1);
    acceptor_.join();
    for (std::thread& t : connections_)
        t.join();
    ::close(listener_);
    ::close(stop_pipe_[0]);
    ::close(stop_pipe_[1]);
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
    while (wait_readable(listener_, stop_pipe_[0])) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackServer::serve(int fd)
{
    std::string pending;
    for (;;) {
        const std::string request = read_request(fd, stop_pipe_[0], pending);
        if (request.empty())
            break;
        {
            const std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = handler_(request);
        if (!send_all(fd, reply.bytes))
            break;
        if (reply.hold) {
            char buf[4096];
            while (wait_readable(fd, stop_pipe_[0]) && ::recv(fd, buf, sizeof buf, 0) > 0) {
            }
            break;
        }
        if (reply.close)
            break;
    }
    ::close(fd);
}

RefusingPort::RefusingPort() { fd_ = bind_loopback(port_); }

RefusingPort::~RefusingPort() { ::close(fd_); }

std::string RefusingPort::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

} // namespace fenrow::test
