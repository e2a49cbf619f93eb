// Shared pieces of the fuzz targets: a window stand-in that drops what the
// workers post, a scratch folder, and feeding bytes to a connection through
// a socket pair on the fuzzing thread (no reactor thread runs, so every
// callback happens inside the call, in order).
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/log.h"
#include "net/reactor.h"
#include "net/tcp_connection.h"
#include "scratch.h"
#include "message_sink.h"

namespace fuzz {

struct NullSink : velmora::MessageSink {
  void post(velmora::EngineEvent) override {}
  void arm_camera_timer(std::int32_t, int) override {}
  void cancel_camera_timer(std::int32_t) override {}
  void run_later(int, std::function<void()>) override {}
};

// The library's log lines cost more than the parsing they describe.
inline void quiet_library() {
  static const bool done = [] {
    kestrune::set_log_sink([](const std::string&) {});
    return true;
  }();
  (void)done;
}

// Connects `connection` to one end of a fresh socket pair; returns the
// other end.
inline int attach_pair(kestrune::TCPConnection& connection) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) std::abort();
  connection.add_reference();  // the connection's own, released by its close
  if (connection.attach(fds[0], nullptr) != 0) std::abort();
  return fds[1];
}

// Writes `head` then `data` into the peer end and calls handle_input until
// the connection has taken everything or given up; closes the peer end.
inline void pump(kestrune::TCPConnection& connection, int peer, const std::string& head,
                 const std::uint8_t* data, std::size_t size) {
  std::string bytes = head;
  if (size > 0) bytes.append(reinterpret_cast<const char*>(data), size);
  std::size_t sent = 0;
  bool shut = false;
  for (int turns = 0; turns < 100000; ++turns) {
    if (sent < bytes.size()) {
      const ssize_t w = ::send(peer, bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT);
      if (w > 0) sent += static_cast<std::size_t>(w);
    } else if (!shut) {
      ::shutdown(peer, SHUT_WR);
      shut = true;
    }
    if (connection.handle_input() < 0) break;
    if (connection.state() != kestrune::TCPConnection::STATE_CONNECTED) break;
  }
  ::close(peer);
}

// What the reactor does with a connection whose input hook failed, or with
// one the test is done with: remove it, which closes it and reports the close.
inline void close(kestrune::TCPConnection& connection) {
  const kestrune::socket_t s = connection.get_handle();
  if (s != kestrune::kInvalidSocket) kestrune::SocketReactor::instance()->remove_handler(s);
}

}  // namespace fuzz
