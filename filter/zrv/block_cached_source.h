#pragma once
// An IByteSource that serves the reader's small reads (segment headers,
// entry records, packets) from a few cached blocks of the underlying data,
// so each entry does not cost three system calls or pulls. Reads of a block
// or more go straight through.
#include <array>
#include <cstdint>
#include <vector>

#include "byte_source.h"

namespace pellaquin {

class BlockCachedSource : public IByteSource {
public:
  static constexpr size_t kBlockSize = 64 * 1024;
  static constexpr size_t kBlocks = 4;

  bool Seek(int64_t position) final;
  size_t Read(void* buffer, size_t len) final;

protected:
  // Reads up to len bytes at offset; returns the count read.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t len) = 0;

private:
  struct Block {
    uint64_t offset = 0;
    std::vector<uint8_t> data;
    uint64_t used = 0;  // last use, for eviction
  };
  Block* Load(uint64_t offset);

  int64_t position_ = 0;
  std::array<Block, kBlocks> blocks_;
  uint64_t clock_ = 0;
};

}  // namespace pellaquin
