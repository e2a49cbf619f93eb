#include "pad_byte_source.h"

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

size_t PadByteSource::ReadAt(uint64_t offset, void* buffer, size_t len) {
  if (len > G_MAXUINT) len = G_MAXUINT;
  GstBuffer* buf = nullptr;
  if (gst_pad_pull_range(pad_, offset, static_cast<guint>(len), &buf) != GST_FLOW_OK || !buf) return 0;
  size_t got = gst_buffer_extract(buf, 0, buffer, len);
  gst_buffer_unref(buf);
  return got;
}

}  // namespace pellaquin
