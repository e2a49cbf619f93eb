#include "disk_space.h"

#include <QCoreApplication>

#include <sys/statvfs.h>

#include <cerrno>
#include <cstdio>

namespace velmora {

namespace {

std::int64_t statvfs_free(const std::string& path) {
  std::string at = path.empty() ? std::string("/") : path;
  while (true) {
    struct statvfs s {};
    if (::statvfs(at.c_str(), &s) == 0)
      return static_cast<std::int64_t>(s.f_bavail) * static_cast<std::int64_t>(s.f_frsize);
    if (errno != ENOENT && errno != ENOTDIR) return -1;
    // Not created yet: its parent's file system is the one it will be on.
    while (at.size() > 1 && at.back() == '/') at.pop_back();
    const std::size_t slash = at.rfind('/');
    if (slash == std::string::npos) return -1;
    at = slash == 0 ? std::string("/") : at.substr(0, slash);
  }
}

}  // namespace

std::int64_t free_space(const std::string& path) { return statvfs_free(path); }

bool enough_space(const std::string& root, std::int64_t min_free, std::int64_t& free_bytes,
                  const FreeSpaceProbe& probe) {
  free_bytes = -1;
  if (min_free <= 0) return true;
  free_bytes = probe ? probe(root) : free_space(root);
  return free_bytes < 0 || free_bytes >= min_free;
}

std::string byte_text(std::int64_t bytes) {
  static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB"};
  double v = static_cast<double>(bytes);
  int u = 0;
  while (v >= 1024.0 && u < 5) {
    v /= 1024.0;
    ++u;
  }
  char buf[48];
  if (u == 0) {
    std::snprintf(buf, sizeof buf, "%lld bytes", static_cast<long long>(bytes));
  } else {
    std::snprintf(buf, sizeof buf, "%.1f %s", v, units[u]);
  }
  return buf;
}

std::string disk_full_reason(const std::string& root, std::int64_t free_bytes,
                             std::int64_t min_free) {
  const QString text =
      free_bytes >= 0
          ? QCoreApplication::translate(
                "Console", "disk full: %1 free on the file system of %2, below the %3 to keep "
                           "free (velmora settings min-free); the camera resumes once space is "
                           "back")
                .arg(QString::fromStdString(byte_text(free_bytes)),
                     QString::fromStdString(root), QString::fromStdString(byte_text(min_free)))
          : QCoreApplication::translate(
                "Console", "disk full: no space left on the file system of %1; the camera "
                           "resumes once space is back")
                .arg(QString::fromStdString(root));
  return text.toStdString();
}

}  // namespace velmora
