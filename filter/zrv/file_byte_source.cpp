#include "file_byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellaquin {

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
  // Read only (the player never writes) and without waiting: a FIFO or a
  // device named like a recording must not block the open, and is refused.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  FILE* f = nullptr;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) f = fdopen(fd, "rb");
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileByteSource>(new FileByteSource(f));
}

FileByteSource::~FileByteSource() { std::fclose(file_); }

int64_t FileByteSource::Size() {
  struct stat st;
  if (fstat(fileno(file_), &st) != 0) return -1;
  return st.st_size;
}

size_t FileByteSource::ReadAt(uint64_t offset, void* buffer, size_t len) {
  // Positioned reads: the stream's own buffer and position are never used.
  size_t done = 0;
  while (done < len) {
    ssize_t n = pread(fileno(file_), static_cast<char*>(buffer) + done, len - done,
                      static_cast<off_t>(offset + done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

}  // namespace pellaquin
