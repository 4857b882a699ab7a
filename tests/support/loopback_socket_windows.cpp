#include "tests/support/loopback_socket.h"

#include <winsock2.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace fenrow::test {

namespace {

SOCKET native(Socket s) { return static_cast<SOCKET>(s); }

void winsock_ready()
{
    // Once for the process; the library stays loaded until it ends.
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!ready)
        throw std::runtime_error("WSAStartup");
}

} // namespace

Socket bind_loopback(int& port)
{
    winsock_ready();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    int len = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::closesocket(s);
        throw std::runtime_error("bind");
    }
    port = ntohs(a.sin_port);
    return static_cast<Socket>(s);
}

bool listen_on(Socket s) { return ::listen(native(s), 16) == 0; }

Socket accept_on(Socket listener)
{
    const SOCKET s = ::accept(native(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? no_socket : static_cast<Socket>(s);
}

bool readable_within(Socket s, int milliseconds)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(native(s), &set);
    timeval t{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &t) > 0;
}

long receive(Socket s, char* buf, std::size_t n)
{
    return ::recv(native(s), buf, static_cast<int>(std::min<std::size_t>(n, INT_MAX)), 0);
}

bool send_all(Socket s, std::string_view bytes)
{
    while (!bytes.empty()) {
        const int len = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int n = ::send(native(s), bytes.data(), len, 0);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void close_socket(Socket s) { ::closesocket(native(s)); }

} // namespace fenrow::test
