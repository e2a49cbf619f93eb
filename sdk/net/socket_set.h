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

private:
  socket_t sockets_[kCapacity];
  int count_ = 0;
  int highest_ = -1;
};

}  // namespace kestrune
