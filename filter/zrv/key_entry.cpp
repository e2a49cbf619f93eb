#include "key_entry.h"

namespace pellaquin {

VideoCodec KeyEntryCodec(const uint8_t* prefix, int len) {
  if (len < kKeyPrefixSize) return VideoCodec::kUnknown;
  const uint8_t* p = prefix + 12;
  if (p[0] != 0 || p[1] != 0) return VideoCodec::kUnknown;
  // Annex B start code and a sequence parameter set.
  if (p[2] == 0 && p[3] == 1 && p[4] == 0x67) return VideoCodec::kH264;
  // Picture start code whose coding-type bit says intra.
  if ((p[2] & 0xFC) == 0x80 && (p[4] & 0x02) == 0) return VideoCodec::kH263;
  return VideoCodec::kUnknown;
}

VideoCodec KeyEntryCodecForType(const uint8_t* prefix, int len) {
  VideoCodec codec = KeyEntryCodec(prefix, len);
  if (codec == VideoCodec::kH264 && (prefix[1] & 0x7F) == kH263PayloadType) return VideoCodec::kUnknown;
  return codec;
}

int IsKeyEntry(const uint8_t* prefix, int len) {
  if (len < 12) return -1;
  return KeyEntryCodec(prefix, len) != VideoCodec::kUnknown ? 1 : 0;
}

}  // namespace pellaquin
