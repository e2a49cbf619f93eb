// Non-blocking TCP client connection: takes outgoing bytes from any thread,
// straight to the socket while nothing is queued, else into a bounded ring
// the reactor thread drains; subclasses read (handle_input + receive) and
// get the connect/close hooks.
#pragma once

#include <sys/uio.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>

#include "net/event_handler.h"

namespace kestrune {

// Ring of bytes; at most capacity - 1 held. One writer and one reader may
// work on it at the same time without a lock: the writer only fills the free
// part and the reader only empties the held part, and the count they share
// is what publishes each side's work to the other. reset() needs both to be
// stopped.
template <class T>
class CircleBuffer {
public:
  explicit CircleBuffer(int capacity);
  CircleBuffer(const CircleBuffer&) = delete;
  CircleBuffer& operator=(const CircleBuffer&) = delete;
  virtual ~CircleBuffer();

  void reset();
  int capacity() const { return capacity_; }
  int count() const { return count_.load(); }

protected:
  T* storage_;
  int write_index_;  // last position written; the writer's
  int read_index_;   // last position read; the reader's
  int capacity_;
  std::atomic<int> count_{0};
};

// The send queue of one connection.
class CSendBuffer : public CircleBuffer<unsigned char> {
public:
  static constexpr int kCapacity = 128000;
  static constexpr int kBlock = 1200;

  CSendBuffer() : CircleBuffer<unsigned char>(kCapacity) {}
  // 0 queued; -1 no room (nothing written); -2 larger than the ring.
  // held_before, when given, gets the count the bytes were added to (read
  // in the same step, so 0 means the reader may have found the ring empty).
  int write_block(int size, const void* data, int* held_before = nullptr);
  // Moves up to 1200 bytes out; returns how many.
  int read_block(unsigned char* out);
  // The bytes held, as up to two pieces in order; returns how many pieces.
  // They stay in the ring (writers never touch them) until consume().
  int peek(iovec pieces[2]) const;
  void consume(int n);  // drops the first n bytes held
};

class TCPConnection : public Socket_Event_Handler {
public:
  enum State { STATE_IDLE = 0, STATE_CONNECTING = 1, STATE_CONNECTED = 2 };
  static constexpr int kNotConnected = -100;

  TCPConnection();
  ~TCPConnection() override;

  int handle_input() override;
  int handle_output() override;
  int handle_exception() override;
  int handle_close(socket_t socket, int mask) override;
  socket_t get_handle() const override { return socket_; }
  bool wants_output() const override;

  // Bytes a protocol connection takes off its socket per readiness: enough
  // for a whole download block, so one camera is not held to a trickle.
  static constexpr int kReceiveChunk = 64 * 1024;

  virtual int attach(socket_t socket, const void* peer);
  // address in network byte order, port in host byte order
  virtual int connect(std::uint32_t address, std::uint16_t port);
  virtual int disconnect();
  virtual int receive(void* buffer, int size);
  virtual int send(const void* data, int size);
  // For a producer on another thread whose send() found no room: waits
  // until `size` bytes fit, the connection is no longer connected, or
  // timeout_ms has passed, instead of polling. 1 = room now, 0 = timed out,
  // -100 = not connected, -1 = `size` can never fit. Never on the reactor
  // thread or inside a hook: the reactor is what makes the room.
  int wait_for_room(int size, int timeout_ms);
  virtual int on_connect_result(int error) { (void)error; return 0; }
  virtual int on_connection_closed(int error) { (void)error; return 0; }

  int enable_keepalive();

  int state() const { return state_.load(); }
  int queued_bytes();  // bytes waiting in the send buffer
  bool close_requested() const { return close_requested_.load(); }

private:
  SocketReactor* reactor_for_io();
  void drop_send_queue();
  void wake_room_waiters();
  void room_made();
  bool has_room(int size) const;

  std::atomic<socket_t> socket_{kInvalidSocket};
  // Callers' threads are the ring's writer, one at a time under send_lock_
  // (which also covers their writing straight to the socket while the ring
  // is empty, and a close letting the socket go); the thread holding the
  // reactor's lock is its reader: it sends out of the ring and drops what was
  // sent without taking send_lock_, so a producer copying a block in never
  // holds up the socket, and a block half sent stays queued in order.
  // Emptying the ring on a close takes both.
  CSendBuffer* const send_buffer_;
  mutable Lock send_lock_;
  // Producers waiting in wait_for_room sleep on room_ under room_lock_, which
  // nothing else holds for long; the reactor takes it, to signal, only while
  // one is waiting.
  static constexpr int kNobodyWaits = 0x7fffffff;
  Mutex room_lock_;
  std::condition_variable_any room_;
  std::atomic<int> room_waiters_{0};  // changed under room_lock_
  std::atomic<int> room_wanted_{kNobodyWaits};  // smallest size waited for; ditto
  std::atomic<int> state_{STATE_IDLE};
  std::atomic<bool> close_requested_{false};
};

}  // namespace kestrune
