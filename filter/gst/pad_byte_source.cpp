#include "pad_byte_source.h"

#include <algorithm>
#include <cstring>

namespace pellaquin {

PadByteSource::PadByteSource(GstPad* sinkpad) : pad_(GST_PAD(gst_object_ref(sinkpad))) {}

PadByteSource::~PadByteSource() { gst_object_unref(pad_); }

int64_t PadByteSource::Size() {
  if (size_ < 0) {
    gint64 len = -1;
    if (gst_pad_peer_query_duration(pad_, GST_FORMAT_BYTES, &len) && len >= 0) size_ = len;
  }
  return size_;
}

bool PadByteSource::Seek(int64_t position) {
  if (position < 0) return false;
  position_ = position;
  return true;
}

size_t PadByteSource::Pull(uint64_t offset, void* out, size_t len) {
  GstBuffer* buf = nullptr;
  if (gst_pad_pull_range(pad_, offset, static_cast<guint>(len), &buf) != GST_FLOW_OK || !buf) return 0;
  size_t got = gst_buffer_extract(buf, 0, out, len);
  gst_buffer_unref(buf);
  return got;
}

size_t PadByteSource::Read(void* buffer, size_t len) {
  uint64_t pos = static_cast<uint64_t>(position_);
  size_t got;
  if (len >= kBlock) {
    got = Pull(pos, buffer, len);
  } else {
    if (pos < block_offset_ || pos + len > block_offset_ + block_.size()) {
      block_.resize(kBlock);
      size_t n = Pull(pos, block_.data(), kBlock);
      block_.resize(n);
      block_offset_ = pos;
    }
    size_t avail = pos >= block_offset_ + block_.size() ? 0 : block_offset_ + block_.size() - pos;
    got = std::min(len, avail);
    if (got) std::memcpy(buffer, block_.data() + (pos - block_offset_), got);
  }
  position_ += static_cast<int64_t>(got);
  return got;
}

}  // namespace pellaquin
