#pragma once
// Recognises the entry that starts a key picture, and the codec it carries,
// from the first bytes of a stored RTP packet.
#include <cstdint>

namespace pellaquin {

// Bytes of an entry the tests look at: the fixed RTP header and 5 payload bytes.
inline constexpr int kKeyPrefixSize = 17;

enum class VideoCodec { kUnknown, kH264, kH263 };

// 1 = starts a key picture, 0 = does not, -1 = shorter than an RTP header.
int IsKeyEntry(const uint8_t* prefix, int len);
// The codec of a key entry (kUnknown for anything else).
VideoCodec KeyEntryCodec(const uint8_t* prefix, int len);
// The same, taking the RTP payload type into account: the static H.263
// type (34) never carries an H.264 parameter set.
VideoCodec KeyEntryCodecForType(const uint8_t* prefix, int len);

inline constexpr uint8_t kH263PayloadType = 34;

}  // namespace pellaquin
