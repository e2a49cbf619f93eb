#include "net/platform.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace kestrune {

int last_socket_error() { return errno; }

bool error_would_block(int err) {
  return err == EWOULDBLOCK || err == EAGAIN || err == EINPROGRESS;
}

int close_socket(socket_t s) { return ::close(s); }

int set_nonblocking(socket_t s) {
  int flags = ::fcntl(s, F_GETFL, 0);
  if (flags < 0) return -1;
  return ::fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0 ? -1 : 0;
}

int socket_pending_error(socket_t s) {
  int err = 0;
  socklen_t len = sizeof(err);
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return errno;
  return err;
}

std::uint32_t inet_address(const char* dotted) {
  if (dotted == nullptr) return INADDR_NONE;
  // inet_addr reads a part with a leading zero as octal ("010" is 8) or hex
  // ("0x10"); a user writing "127.000.000.010" means decimal. Such text is
  // refused rather than silently naming another host.
  for (const char* p = dotted; *p != '\0'; ++p) {
    const bool part_start = p == dotted || p[-1] == '.';
    if (part_start && p[0] == '0' && p[1] != '\0' && p[1] != '.') return INADDR_NONE;
  }
  return ::inet_addr(dotted);
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace kestrune
