#include "private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

std::FILE* open_private(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  // An existing file keeps its mode on open; a file written by an older
  // version (or by hand) may be readable by everyone.
  ::fchmod(fd, 0600);
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) ::close(fd);
  return f;
}

}  // namespace velmora
