#include "file_byte_source.h"

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
  long here = std::ftell(file_);
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(file_);
  if (here >= 0) std::fseek(file_, here, SEEK_SET);
  return size;
}

bool FileByteSource::Seek(int64_t position) {
  if (position < 0) return false;
  return std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}

size_t FileByteSource::Read(void* buffer, size_t len) {
  return std::fread(buffer, 1, len, file_);
}

}  // namespace pellaquin
