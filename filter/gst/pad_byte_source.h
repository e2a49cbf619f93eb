#pragma once
// IByteSource over a sink pad in pull mode, with a small read-ahead block so
// the reader's many tiny header reads do not each become a pull.
#include <gst/gst.h>

#include <vector>

#include "byte_source.h"

namespace pellaquin {

class PadByteSource final : public IByteSource {
public:
  explicit PadByteSource(GstPad* sinkpad);
  ~PadByteSource() override;

  int64_t Size() override;
  bool Seek(int64_t position) override;
  size_t Read(void* buffer, size_t len) override;

private:
  static constexpr size_t kBlock = 64 * 1024;
  size_t Pull(uint64_t offset, void* out, size_t len);

  GstPad* pad_;
  int64_t size_ = -1;
  int64_t position_ = 0;
  std::vector<uint8_t> block_;
  uint64_t block_offset_ = 0;
};

}  // namespace pellaquin
