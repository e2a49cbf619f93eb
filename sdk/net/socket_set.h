// Fixed-capacity ordered set of sockets (4096 entries), kept in insertion
// order so the reactor dispatches sockets in the order they were registered.
#pragma once

#include "net/platform.h"

namespace kestrune {

class SocketSet {
public:
  static constexpr int kCapacity = 4096;

  SocketSet() { clear(); }

  void add(socket_t s);     // -1 and members are ignored; full sets drop it
  void remove(socket_t s);  // later entries move down; highest is kept
  bool contains(socket_t s) const;
  void clear();

  int count() const { return count_; }
  int highest() const { return highest_; }
  socket_t at(int i) const { return sockets_[i]; }  // i < count()

  // Copies only the members, not the whole array.
  void assign(const SocketSet& other) {
    for (int i = 0; i < other.count_; ++i) sockets_[i] = other.sockets_[i];
    count_ = other.count_;
    highest_ = other.highest_;
  }
  // Appends a socket the caller knows is not a member (full sets drop it).
  void append(socket_t s) {
    if (s == kInvalidSocket || count_ >= kCapacity) return;
    sockets_[count_++] = s;
    if (s > highest_) highest_ = s;
  }
  // Drops the members for which keep(socket) is false, keeping the order.
  template <class F>
  void keep_if(F keep) {
    int out = 0;
    for (int i = 0; i < count_; ++i) {
      if (keep(sockets_[i])) sockets_[out++] = sockets_[i];
    }
    count_ = out;
  }

private:
  socket_t sockets_[kCapacity];
  int count_ = 0;
  int highest_ = -1;
};

}  // namespace kestrune
