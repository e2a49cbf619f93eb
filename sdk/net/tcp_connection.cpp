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
// sending out of the ring, and the send lock keeps producers out.
void TCPConnection::drop_send_queue() {
  KS_ASSERT(reactor_for_io()->holds_lock());
  Guard guard(send_lock_);
  send_buffer_->reset();
}

// Waiters see a change of state or of the ring once they get the lock;
// taking it here first means none can be between its check and its wait.
// A waiter counts itself before it looks and this side changes what it looks
// at before it reads the count, so one of the two always sees the other.
void TCPConnection::wake_room_waiters() {
  if (room_waiters_.load() == 0) return;
  { MutexGuard guard(room_lock_); }
  room_.notify_all();
}

// After the reactor sent bytes: waiters are woken once the smallest of them
// fits, not on every piece the socket takes while the peer reads slowly.
void TCPConnection::room_made() {
  if (room_waiters_.load() == 0 || !has_room(room_wanted_.load())) return;
  wake_room_waiters();
}

bool TCPConnection::has_room(int size) const {
  return size < send_buffer_->capacity() - send_buffer_->count();
}

int TCPConnection::wait_for_room(int size, int timeout_ms) {
  KS_ASSERT(!reactor_for_io()->holds_lock());
  if (size < 0 || size >= CSendBuffer::kCapacity) return -1;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  room_lock_.lock();
  if (size < room_wanted_.load()) room_wanted_.store(size);
  room_waiters_.fetch_add(1);
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
    timed_out = room_.wait_until(room_lock_, deadline) == std::cv_status::timeout;
  }
  if (room_waiters_.fetch_sub(1) == 1) room_wanted_.store(kNobodyWaits);
  room_lock_.unlock();
  return result;
}

bool TCPConnection::wants_output() const {
  const int state = state_.load();
  if (state == STATE_CONNECTING || close_requested_.load()) return true;
  if (state != STATE_CONNECTED) return false;
  return send_buffer_->count() > 0;
}

int TCPConnection::queued_bytes() { return send_buffer_->count(); }

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
  // With the ring empty nothing of this connection is on its way (the reactor
  // drops bytes from the ring only once the socket has taken them), so the
  // bytes go to the socket at once and only what it does not take is queued,
  // behind nothing: the order holds, and a producer on another thread does
  // not wait for the reactor to wake for every block. That is done inside a
  // pass (a hook or a timer, such as a heartbeat) and on any thread while the
  // reactor runs a thread of its own; a reactor driven by hand decides in its
  // passes when bytes leave.
  SocketReactor* reactor = reactor_for_io();
  const bool direct = reactor->holds_lock() || reactor->running();
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  int rc;
  int held_before = -1;
  {
    Guard guard(send_lock_);
    int sent = 0;
    // A close lets the socket go under this lock, so the number still is
    // this connection's while the bytes go out.
    const socket_t s = socket_.load();
    if (direct && s != kInvalidSocket && send_buffer_->count() == 0 && size > 0 &&
        size < send_buffer_->capacity()) {
      const ssize_t n = ::send(s, bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n == size) return size;
      if (n > 0) sent = static_cast<int>(n);  // errors show in handle_output
    }
    rc = send_buffer_->write_block(size - sent, bytes + sent, &held_before);
  }
  // While the ring holds bytes the reactor keeps watching the socket, so
  // only the first bytes after it ran empty need to tell it. The count is
  // read in the same step as the bytes are added: the reactor, emptying the
  // ring meanwhile, either sees them or has left it empty for them.
  if (rc == 0 && held_before == 0) reactor->request_output(this);
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
    const int count = send_buffer_->peek(pieces);
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
    send_buffer_->consume(static_cast<int>(sent));
    room_made();
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
    {
      // Under the send lock: a producer writing straight to the socket
      // finishes before the number is given back.
      Guard guard(send_lock_);
      socket_t s = socket_.exchange(kInvalidSocket);
      if (s != kInvalidSocket) {
        close_socket(s);
        drop_send_queue();
      }
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
