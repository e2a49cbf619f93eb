#include "partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace velmora {

namespace {

long long size_of(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

}  // namespace

long long PartialFile::length() const { return size_of(partial_); }

bool PartialFile::final_exists() const {
  struct stat st;
  return ::lstat(final_.c_str(), &st) == 0;
}

bool PartialFile::write_at(std::uint64_t offset, const char* data, std::uint32_t n) const {
  const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = true;
  std::uint32_t written = 0;
  while (ok && written < n) {
    const ssize_t w = ::pwrite(fd, data + written, n - written, static_cast<off_t>(offset + written));
    if (w < 0 && errno == EINTR) continue;
    if (w == 0) errno = ENOSPC;
    if (w <= 0) ok = false;
    else written += static_cast<std::uint32_t>(w);
  }
  int error = ok ? 0 : (errno != 0 ? errno : ENOSPC);
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) errno = error;
  return ok;
}

bool PartialFile::cut_to(std::uint64_t length) const {
  const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
  if (::close(fd) != 0) ok = false;
  return ok;
}

namespace {

bool rename_no_replace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: a hard link fails when the target
  // exists, which gives the same guarantee.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

bool PartialFile::finish() const { return rename_no_replace(partial_, final_); }

bool PartialFile::reopen() const { return rename_no_replace(final_, partial_); }

}  // namespace velmora
