#include "file_byte_source.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pellaquin {

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb+");
  bool read_only = false;
  if (!f) {
    f = std::fopen(path.c_str(), "rb");
    read_only = true;
  }
  if (!f) return nullptr;
  return std::unique_ptr<FileByteSource>(new FileByteSource(f, read_only));
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
