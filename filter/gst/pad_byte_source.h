#pragma once
// IByteSource over a sink pad in pull mode.
#include <gst/gst.h>

#include "block_cached_source.h"

namespace pellaquin {

class PadByteSource final : public BlockCachedSource {
public:
  explicit PadByteSource(GstPad* sinkpad);
  ~PadByteSource() override;
  PadByteSource(const PadByteSource&) = delete;
  PadByteSource& operator=(const PadByteSource&) = delete;

  int64_t Size() override;

protected:
  size_t ReadAt(uint64_t offset, void* buffer, size_t len) override;

private:
  GstPad* pad_;
  int64_t size_ = -1;
};

}  // namespace pellaquin
