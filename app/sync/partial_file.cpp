#include "partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace velmora {

namespace {

long long size_of(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

// Sets `why` (when asked for) and leaves errno at `error`.
bool failed(std::string* why, const char* text, const std::string& path, int error,
            const std::string& other = {}) {
  if (why) {
    // One arg() call: a "%2" in a camera's file name stays as it is.
    const QString t = QCoreApplication::translate("Console", text);
    const QString p = QString::fromStdString(path);
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    *why = (other.empty() ? t.arg(p, reason) : t.arg(p, QString::fromStdString(other), reason))
               .toStdString();
  }
  errno = error;
  return false;
}

}  // namespace

long long PartialFile::length() const { return size_of(partial_); }

bool PartialFile::final_exists() const {
  struct stat st;
  return ::lstat(final_.c_str(), &st) == 0;
}

bool PartialFile::write_at(std::uint64_t offset, const char* data, std::uint32_t n,
                           std::string* why) const {
  const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0)
    return failed(why, QT_TRANSLATE_NOOP("Console", "cannot open %1 for writing: %2"), partial_,
                  errno);
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
  if (!ok) return failed(why, QT_TRANSLATE_NOOP("Console", "cannot write %1: %2"), partial_, error);
  return true;
}

bool PartialFile::cut_to(std::uint64_t length, std::string* why) const {
  const int fd = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0)
    return failed(why, QT_TRANSLATE_NOOP("Console", "cannot open %1 for writing: %2"), partial_,
                  errno);
  bool ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
  int error = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok)
    return failed(why, QT_TRANSLATE_NOOP("Console", "cannot change the length of %1: %2"),
                  partial_, error);
  return true;
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

bool PartialFile::finish(std::string* why) const {
  if (rename_no_replace(partial_, final_)) return true;
  return failed(why, QT_TRANSLATE_NOOP("Console", "cannot rename %1 to %2: %3"), partial_, errno,
                final_);
}

bool PartialFile::reopen() const { return rename_no_replace(final_, partial_); }

}  // namespace velmora
