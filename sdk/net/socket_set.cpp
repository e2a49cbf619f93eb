#include "net/socket_set.h"

#include <cstring>

namespace kestrune {

void SocketSet::add(socket_t s) {
  if (s == kInvalidSocket || contains(s) || count_ >= kCapacity) return;
  sockets_[count_++] = s;
  if (s > highest_) highest_ = s;
}

void SocketSet::remove(socket_t s) {
  if (s == kInvalidSocket) return;
  for (int i = 0; i < count_; ++i) {
    if (sockets_[i] == s) {
      std::memmove(&sockets_[i], &sockets_[i + 1], sizeof(socket_t) * (count_ - i - 1));
      --count_;
      return;
    }
  }
}

bool SocketSet::contains(socket_t s) const {
  for (int i = 0; i < count_; ++i) {
    if (sockets_[i] == s) return true;
  }
  return false;
}

void SocketSet::clear() {
  count_ = 0;
  highest_ = -1;
}

}  // namespace kestrune
