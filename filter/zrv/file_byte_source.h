#pragma once
// IByteSource over an open file; the source owns the stream and closes it.
#include <cstdio>
#include <memory>
#include <string>

#include "block_cached_source.h"

namespace pellaquin {

class FileByteSource final : public BlockCachedSource {
public:
  // Opens a regular file for reading; null for anything else (a FIFO, a
  // device, a folder) and when it cannot be opened.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  int64_t Size() override;

protected:
  size_t ReadAt(uint64_t offset, void* buffer, size_t len) override;

private:
  explicit FileByteSource(FILE* f) : file_(f) {}
  FILE* file_;
};

}  // namespace pellaquin
