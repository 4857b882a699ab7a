#include "tests/support/loopback_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace fenrow::test {

Socket bind_loopback(int& port)
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

bool listen_on(Socket s) { return ::listen(static_cast<int>(s), 16) == 0; }

Socket accept_on(Socket listener)
{
    const int fd = ::accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
    return fd < 0 ? no_socket : fd;
}

bool readable_within(Socket s, int milliseconds)
{
    pollfd p{static_cast<int>(s), POLLIN, 0};
    return ::poll(&p, 1, milliseconds) > 0;
}

long receive(Socket s, char* buf, std::size_t n) { return ::recv(static_cast<int>(s), buf, n, 0); }

bool send_all(Socket s, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(static_cast<int>(s), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void close_socket(Socket s) { ::close(static_cast<int>(s)); }

} // namespace fenrow::test
