// The few socket calls of the loopback server, over the platform's sockets:
// loopback_socket_posix.cpp and loopback_socket_windows.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fenrow::test {

using Socket = std::intptr_t; // a descriptor on POSIX, a SOCKET on Windows
inline constexpr Socket no_socket = -1;

// A TCP socket bound to 127.0.0.1 on a port the system picks; throws when none can be had.
Socket bind_loopback(int& port);
bool listen_on(Socket s);
// no_socket when no connection could be taken.
Socket accept_on(Socket listener);
// Whether s has something to read, or has been closed, within the time.
bool readable_within(Socket s, int milliseconds);
// The bytes received: 0 once the peer has left, below 0 on an error.
long receive(Socket s, char* buf, std::size_t n);
bool send_all(Socket s, std::string_view bytes);
void close_socket(Socket s);

} // namespace fenrow::test
