#include "net/reactor_waker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace kestrune {

ReactorWaker::ReactorWaker() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

ReactorWaker::~ReactorWaker() {
  if (fd_ >= 0) ::close(fd_);
}

void ReactorWaker::wake() {
  if (armed_.exchange(false)) wake_always();
}

void ReactorWaker::wake_always() {
  const std::uint64_t one = 1;
  ssize_t rc = ::write(fd_, &one, sizeof one);
  (void)rc;  // a full counter is still a pending wake
}

void ReactorWaker::drain() {
  std::uint64_t count = 0;
  ssize_t rc = ::read(fd_, &count, sizeof count);
  (void)rc;  // nothing pending is fine
}

}  // namespace kestrune
