#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "app_paths.h"

namespace velmora {

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire(const std::string& dir) {
  if (fd_ >= 0) return true;
  make_folders(dir);
  int fd = ::open((dir + "/_Velmora.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace velmora
