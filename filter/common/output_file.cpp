#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace pellaquin {

bool PathExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool OutputFile::Create(const std::string& final_path, std::string* error) {
  Discard();
  final_ = final_path;
  size_t slash = final_path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : final_path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  if (slash != std::string::npos && slash == 0) folder = "/";
  if (folder.back() != '/') folder += '/';
  std::string pattern = folder + "." + name + ".XXXXXX.part";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back(0);
  fd_ = mkostemps(buf.data(), 5, O_CLOEXEC);
  if (fd_ < 0) {
    *error = "cannot create a file in " + folder + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes it private; the result gets the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
  temp_.assign(buf.data());
  return true;
}

bool OutputFile::Commit(bool replace, std::string* error) {
  if (temp_.empty()) {
    *error = "nothing was written";
    return false;
  }
  if (fd_ >= 0) {
    bool synced = fsync(fd_) == 0;
    close(fd_);
    fd_ = -1;
    if (!synced) {
      *error = "cannot write " + final_ + ": " + std::strerror(errno);
      Discard();
      return false;
    }
  }
  int rc = replace ? std::rename(temp_.c_str(), final_.c_str())
                   : renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, final_.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without the no-replace move: a hard link fails the
    // same way when the name is taken.
    rc = link(temp_.c_str(), final_.c_str());
    if (rc == 0) unlink(temp_.c_str());
  }
  if (rc != 0) {
    *error = errno == EEXIST ? final_ + " exists (--force replaces it)"
                             : "cannot write " + final_ + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}

void OutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlink(temp_.c_str());
  temp_.clear();
}

OutputFile::~OutputFile() { Discard(); }

}  // namespace pellaquin
