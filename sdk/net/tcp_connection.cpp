#include "net/tcp_connection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include "net/ks_assert.h"
#include "net/log.h"
#include "net/reactor.h"

namespace kestrune {
namespace {
const char kModule[] = "TCPConnection";
constexpr int kSendRounds = 16;
}

TCPConnection::TCPConnection() : send_buffer_(new CSendBuffer) {}

TCPConnection::~TCPConnection() {
  socket_t s = socket_.exchange(kInvalidSocket);
  if (s != kInvalidSocket) close_socket(s);
  delete send_buffer_;
}

// Connections use the reactor they were given (tests run reactors of their
// own), else the process-wide one.
SocketReactor* TCPConnection::reactor_for_io() {
  SocketReactor* reactor = get_reactor();
  return reactor != nullptr ? reactor : SocketReactor::instance();
}

// Only with the reactor's lock held, so never while handle_output is
// sending out of the ring.
void TCPConnection::drop_send_queue() {
  KS_ASSERT(reactor_for_io()->holds_lock());
  Guard guard(send_lock_);
  send_buffer_->reset();
}

// Waiters see a change of state or a reset buffer once they get the lock;
// taking it here first means none can be between its check and its wait.
void TCPConnection::wake_room_waiters() {
  if (room_waiters_.load() == 0) return;
  { Guard guard(send_lock_); }
  room_.notify_all();
}

bool TCPConnection::has_room(int size) const {
  return send_buffer_->count() + size < send_buffer_->capacity();
}

int TCPConnection::wait_for_room(int size, int timeout_ms) {
  KS_ASSERT(!reactor_for_io()->holds_lock());
  if (size < 0 || size >= CSendBuffer::kCapacity) return -1;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  room_waiters_.fetch_add(1);
  send_lock_.lock();
  int result = 0;
  bool timed_out = false;
  for (;;) {
    if (state_.load() != STATE_CONNECTED) {
      result = kNotConnected;
      break;
    }
    if (has_room(size)) {
      result = 1;
      break;
    }
    if (timed_out) break;
    timed_out = room_.wait_until(send_lock_, deadline) == std::cv_status::timeout;
  }
  send_lock_.unlock();
  room_waiters_.fetch_sub(1);
  return result;
}

bool TCPConnection::wants_output() const {
  const int state = state_.load();
  if (state == STATE_CONNECTING || close_requested_.load()) return true;
  if (state != STATE_CONNECTED) return false;
  Guard guard(send_lock_);
  return send_buffer_->count() > 0;
}

int TCPConnection::queued_bytes() {
  Guard guard(send_lock_);
  return send_buffer_->count();
}

int TCPConnection::connect(std::uint32_t address, std::uint16_t port) {
  int state = state_.load();
  if (state != STATE_IDLE) {
    sdk_log(kModule, LOG_ERROR, "Error Object Status. %d.", state);
    return -1;
  }
  close_requested_.store(false);
  socket_t old = socket_.exchange(kInvalidSocket);
  if (old != kInvalidSocket) close_socket(old);

  socket_t s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s < 0) {
    sdk_log(kModule, LOG_ERROR, "TCPConnection socket create error. %d ", last_socket_error());
    return -1;
  }
  socket_.store(s);
  if (set_nonblocking(s) != 0) return -1;

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = address;
  peer.sin_port = htons(port);
  int rc = ::connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof(peer));
  if (rc == 0 || error_would_block(last_socket_error())) {
    state_.store(STATE_CONNECTING);
    reactor_for_io()->register_handler(this);
    return 0;
  }
  sdk_log(kModule, LOG_ERROR, "socket connect error.%d", last_socket_error());
  close_socket(s);
  socket_.store(kInvalidSocket);
  return -1;
}

int TCPConnection::attach(socket_t socket, const void* /*peer*/) {
  if (state_.load() != STATE_IDLE) return -1;
  close_requested_.store(false);
  socket_t old = socket_.exchange(socket);
  if (old != kInvalidSocket && old != socket) close_socket(old);
  set_nonblocking(socket);
  state_.store(STATE_CONNECTED);
  on_connect_result(0);
  reactor_for_io()->register_handler(this);
  return 0;
}

int TCPConnection::disconnect() {
  if (state_.load() != STATE_IDLE) {
    close_requested_.store(true);
    sdk_log(kModule, LOG_DEBUG, "TCP Disconnect.");
    reactor_for_io()->remove_handler_of(this);
  }
  return 0;
}

int TCPConnection::receive(void* buffer, int size) {
  if (state_.load() != STATE_CONNECTED) return kNotConnected;
  return static_cast<int>(::recv(socket_.load(), buffer, size, 0));
}

int TCPConnection::send(const void* data, int size) {
  if (state_.load() != STATE_CONNECTED) return kNotConnected;
  if (data == nullptr || size < 0) return -1;
  // On the reactor thread inside a pass (a hook or a timer, such as a
  // heartbeat), nothing else sends on this socket: with the ring empty the
  // bytes go out at once and only what the socket does not take is queued,
  // behind nothing, so the order holds.
  const bool direct = reactor_for_io()->holds_lock();
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  int rc;
  bool was_empty;
  {
    Guard guard(send_lock_);
    was_empty = send_buffer_->count() == 0;
    int sent = 0;
    if (direct && was_empty && size > 0 && size < send_buffer_->capacity()) {
      const ssize_t n = ::send(socket_.load(), bytes, static_cast<std::size_t>(size),
                               MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n == size) return size;
      if (n > 0) sent = static_cast<int>(n);  // errors show in handle_output
    }
    rc = send_buffer_->write_block(size - sent, bytes + sent);
  }
  // While the ring holds bytes the reactor keeps watching the socket, so
  // only the first bytes after it ran empty need to tell it.
  if (rc == 0 && was_empty && size > 0) reactor_for_io()->request_output(this);
  return rc == -1 ? 0 : size;
}

int TCPConnection::handle_input() { return close_requested_.load() ? -1 : 0; }

int TCPConnection::handle_output() {
  KS_ASSERT(reactor_for_io()->holds_lock());
  const int state = state_.load();
  const socket_t s = socket_.load();
  if (state == STATE_CONNECTING) {
    int error = socket_pending_error(s);
    if (error != 0) {
      on_connect_result(error);
      return -1;
    }
    state_.store(STATE_CONNECTED);
    on_connect_result(0);
    plain_line("TCPConnection Connect Finish .", s);
    return 0;
  }
  if (state != STATE_CONNECTED) return 0;
  if (close_requested_.load()) return -1;

  // Drains the ring while the socket takes bytes; a bounded number of rounds
  // so a caller that keeps the ring full cannot hold up the other sockets.
  for (int round = 0; round < kSendRounds; ++round) {
    iovec pieces[2];
    int count;
    {
      Guard guard(send_lock_);
      count = send_buffer_->peek(pieces);
    }
    if (count == 0) return 0;  // nothing left: the reactor stops watching
    msghdr msg{};
    msg.msg_iov = pieces;
    msg.msg_iovlen = static_cast<std::size_t>(count);
    const ssize_t sent = ::sendmsg(s, &msg, MSG_NOSIGNAL);
    if (sent < 0) {
      const int error = last_socket_error();
      if (error == EINTR) continue;
      if (error_would_block(error)) return 0;
      plain_line("[TCPConnection] : Send err = ", error);
      return -1;
    }
    {
      Guard guard(send_lock_);
      send_buffer_->consume(static_cast<int>(sent));
    }
    if (room_waiters_.load() > 0) room_.notify_all();
  }
  return 0;
}

int TCPConnection::handle_exception() {
  const socket_t s = socket_.load();
  if (state_.load() == STATE_CONNECTING) {
    int error = socket_pending_error(s);
    on_connect_result(error);
    plain_line("TCPConnection Connect failed.", error);
    drop_send_queue();
    disconnect();
    return -1;
  }
  plain_line("TCPConnection Socket Exception.", s);
  return 0;
}

int TCPConnection::handle_close(socket_t socket, int mask) {
  if (mask == MASK_TIMER) return 0;
  if (state_.load() != STATE_IDLE) {
    // The socket is let go before the owner hears of the close: an owner
    // that connects again at once gets a socket and a state of its own,
    // which the rest of this close must not take from it.
    const int error = last_socket_error();
    socket_t s = socket_.exchange(kInvalidSocket);
    if (s != kInvalidSocket) {
      close_socket(s);
      drop_send_queue();
    }
    state_.store(STATE_IDLE);
    on_connection_closed(error);
    sdk_log(kModule, LOG_DEBUG, "TCPConnection Socket %d Close.", socket);
  }
  wake_room_waiters();
  remove_reference();
  return 0;
}

int TCPConnection::enable_keepalive() {
  const socket_t s = socket_.load();
  int on = 1;
  int idle = 20;      // seconds before the first probe
  int interval = 40;  // seconds between probes
  if (::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on)) != 0) return -1;
  if (::setsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle)) != 0) return -1;
  if (::setsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval)) != 0) return -1;
  return 0;
}

}  // namespace kestrune
