#pragma once
// IByteSource over an open file; the source owns the stream and closes it.
#include <cstdio>
#include <memory>
#include <string>

#include "block_cached_source.h"

namespace pellaquin {

class FileByteSource final : public BlockCachedSource {
public:
  // Opens for read and update as recordings always were, falling back to read
  // only so that files on read-only media or without write permission play.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  int64_t Size() override;
  bool read_only() const { return read_only_; }

protected:
  size_t ReadAt(uint64_t offset, void* buffer, size_t len) override;

private:
  FileByteSource(FILE* f, bool read_only) : file_(f), read_only_(read_only) {}
  FILE* file_;
  bool read_only_;
};

}  // namespace pellaquin
