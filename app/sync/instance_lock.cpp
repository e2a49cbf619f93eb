#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

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
  // The holder's PID, so that a refused start can say which process to stop.
  const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
  if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, pid.data(), pid.size(), 0);
  fd_ = fd;
  return true;
}

long InstanceLock::holder_pid(const std::string& dir) {
  int fd = ::open((dir + "/_Velmora.lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buf[24] = {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return 0;
  char* end = nullptr;
  const long pid = std::strtol(buf, &end, 10);
  return end != buf && pid > 0 ? pid : 0;
}

void InstanceLock::release() {
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace velmora
