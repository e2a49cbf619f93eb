#pragma once
// IByteSource over a C stream; the source owns the stream and closes it.
#include <cstdio>
#include <memory>
#include <string>

#include "byte_source.h"

namespace pellaquin {

class FileByteSource final : public IByteSource {
public:
  // Opens for read and update as recordings always were, falling back to read
  // only so that files on read-only media or without write permission play.
  static std::unique_ptr<FileByteSource> Open(const std::string& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  int64_t Size() override;
  bool Seek(int64_t position) override;
  size_t Read(void* buffer, size_t len) override;
  bool read_only() const { return read_only_; }

private:
  FileByteSource(FILE* f, bool read_only) : file_(f), read_only_(read_only) {}
  FILE* file_;
  bool read_only_;
};

}  // namespace pellaquin
