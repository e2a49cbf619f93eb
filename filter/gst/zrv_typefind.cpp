#include "zrv_typefind.h"

#include <cstring>

#include "key_entry.h"
#include "zrv_format.h"

namespace {

bool Peek(GstTypeFind* tf, guint64 offset, void* out, guint len) {
  const guint8* data = gst_type_find_peek(tf, static_cast<gint64>(offset), len);
  if (!data) return false;
  std::memcpy(out, data, len);
  return true;
}

void FindZrv(GstTypeFind* tf, gpointer) {
  using pellaquin::ZrvFileHeader;
  using pellaquin::ZrvSegmentHeader;
  ZrvFileHeader header;
  if (!Peek(tf, 0, &header, sizeof header)) return;
  // The player takes one or two segments; more are still recordings, but
  // the chain is checked only so far.
  if (header.segment_count < 1 || header.segment_count > 8 || header.first_segment <= sizeof header)
    return;
  guint64 length = gst_type_find_get_length(tf);
  guint64 offset = header.first_segment;
  bool key_entry = false;
  for (guint32 s = 0; s < header.segment_count; ++s) {
    if (length && offset + sizeof(ZrvSegmentHeader) > length) return;
    ZrvSegmentHeader seg;
    if (!Peek(tf, offset, &seg, sizeof seg)) return;
    guint64 table_end = offset + sizeof seg + guint64{seg.entry_count} * 8;
    if (length && table_end > length) return;
    if (s == 0 && seg.entry_count > 0) {
      // The first entry must hold an RTP version 2 packet; one that also
      // starts a key picture makes the recording certain.
      pellaquin::ZrvEntryRecord entry;
      guint8 first[pellaquin::kKeyPrefixSize];
      if (!Peek(tf, offset + sizeof seg, &entry, sizeof entry)) return;
      if (entry.length >= 12 && (!length || guint64{entry.offset} + entry.length <= length)) {
        if (!Peek(tf, entry.offset, first, 1) || (first[0] >> 6) != 2) return;
        guint len = entry.length < sizeof first ? entry.length : static_cast<guint>(sizeof first);
        key_entry = Peek(tf, entry.offset, first, len) &&
                    pellaquin::KeyEntryCodecForType(first, static_cast<int>(len)) != pellaquin::VideoCodec::kUnknown;
      }
    }
    offset = seg.next_segment;
  }
  // The signature is 16 bytes and a chain of offsets: alone, it makes a
  // recording likely, not certain.
  gst_type_find_suggest_empty_simple(tf, key_entry ? GST_TYPE_FIND_MAXIMUM : GST_TYPE_FIND_LIKELY,
                                     "video/x-zrv");
}

}  // namespace

GST_TYPE_FIND_REGISTER_DEFINE(zrv, "video/x-zrv", GST_RANK_PRIMARY, FindZrv, "zrv",
                              gst_caps_new_empty_simple("video/x-zrv"), nullptr, nullptr);
