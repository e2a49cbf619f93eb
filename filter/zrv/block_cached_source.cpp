#include "block_cached_source.h"

#include <cstring>

namespace pellaquin {

bool BlockCachedSource::Seek(int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

BlockCachedSource::Block* BlockCachedSource::Load(uint64_t offset) {
  const uint64_t start = offset / kBlockSize * kBlockSize;
  Block* victim = &blocks_[0];
  for (Block& b : blocks_) {
    if (b.used && b.offset == start) {
      b.used = ++clock_;
      return &b;
    }
    if (b.used < victim->used) victim = &b;
  }
  victim->data.resize(kBlockSize);
  victim->data.resize(ReadAt(start, victim->data.data(), kBlockSize));
  victim->offset = start;
  victim->used = ++clock_;
  return victim;
}

size_t BlockCachedSource::Read(void* buffer, size_t len) {
  size_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  if (len >= kBlockSize) {
    done = ReadAt(static_cast<uint64_t>(position_), out, len);
  } else {
    while (done < len) {
      uint64_t pos = static_cast<uint64_t>(position_) + done;
      Block* b = Load(pos);
      uint64_t in_block = pos - b->offset;
      if (in_block >= b->data.size()) break;  // end of the data
      size_t n = std::min(len - done, static_cast<size_t>(b->data.size() - in_block));
      std::memcpy(out + done, b->data.data() + in_block, n);
      done += n;
    }
  }
  position_ += static_cast<int64_t>(done);
  return done;
}

}  // namespace pellaquin
