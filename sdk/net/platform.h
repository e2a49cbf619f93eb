// Thin portability layer: sockets, error codes, locks and sleeping.
// Everything above this file speaks in these terms, so a Winsock port only
// has to replace this header and platform.cpp.
#pragma once

#include <cstdint>
#include <mutex>

namespace kestrune {

using socket_t = int;
constexpr socket_t kInvalidSocket = -1;

// errno values under the names the protocol code uses for them.
int last_socket_error();          // errno of the last failed socket call
bool error_would_block(int err);  // EWOULDBLOCK / EAGAIN / EINPROGRESS

int close_socket(socket_t s);
int set_nonblocking(socket_t s);  // 0 or -1
int socket_pending_error(socket_t s);  // SO_ERROR, or errno when that fails

// Dotted IPv4 text to an address in network byte order; INADDR_NONE (all ones)
// when the text is not an address, as inet_addr does.
std::uint32_t inet_address(const char* dotted);

void sleep_ms(int ms);

// Recursive like a Windows critical section: hooks running under the reactor's
// locks may call back into it.
using Lock = std::recursive_mutex;
using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace kestrune
