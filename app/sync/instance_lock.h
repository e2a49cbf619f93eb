// The single-instance lock "_Velmora": an exclusive lock on a file in the
// runtime folder, held for the life of the process and shared by every mode.
#pragma once

#include <string>

namespace velmora {

class InstanceLock {
public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when this process now holds the lock; false when another holds it
  // (or the lock file cannot be created).
  bool acquire(const std::string& dir);
  void release();
  bool held() const { return fd_ >= 0; }
  // PID of the process holding the lock in `dir` (0 when unknown).
  static long holder_pid(const std::string& dir);

private:
  int fd_ = -1;
};

}  // namespace velmora
