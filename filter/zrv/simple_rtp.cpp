#include "simple_rtp.h"

namespace pellaquin {

namespace {
void Put16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
}  // namespace

int CSimpleRtp::Setup(const RtpConfig& config) {
  payload_type_ = config.payload_type & 0x7F;
  frames_per_second_ = config.frames_per_second;
  clock_rate_ = config.clock_rate;
  ssrc_ = config.ssrc;
  step_ = frames_per_second_ ? clock_rate_ / frames_per_second_ : 0;
  units_per_ms_ = clock_rate_ / 1000;
  first_bytes_[0] = 0x80;
  first_bytes_[1] = static_cast<uint8_t>(payload_type_);
  sequence_ = 12345;
  timestamp_ = 0;
  last_marker_ = 1;
  initialised_ = true;
  return 0;
}

int CSimpleRtp::Write(int marker, uint8_t* out) {
  first_bytes_[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | payload_type_);
  last_marker_ = marker ? 1 : 0;
  out[0] = first_bytes_[0];
  out[1] = first_bytes_[1];
  Put16(out + 2, sequence_);
  Put32(out + 4, timestamp_);
  Put32(out + 8, ssrc_);
  return kHeaderSize;
}

int CSimpleRtp::BuildHeader(int marker, uint8_t* out) {
  if (!initialised_ || !out) return -1;
  if (last_marker_) timestamp_ += step_;
  ++sequence_;
  return Write(marker, out);
}

int CSimpleRtp::BuildHeaderAt(int marker, uint8_t* out, uint32_t ms) {
  if (!initialised_ || !out) return -1;
  timestamp_ = ms * units_per_ms_;
  ++sequence_;
  return Write(marker, out);
}

int CSimpleRtp::ParseHeader(RtpHeaderInfo* info, const uint8_t* packet, int len) {
  if (!initialised_ || !info || !packet || len < kHeaderSize) return -1;
  if ((packet[0] >> 6) != 2) return -1;
  int length = kHeaderSize + 4 * (packet[0] & 0x0F);
  if (packet[0] & 0x10) {
    if (length + 4 > len) return -1;
    length += 4 + 4 * Get16(packet + length + 2);
  }
  if (length > len) return -1;
  ParseFixedHeader(info, packet, len);
  return length;
}

int CSimpleRtp::ParseFixedHeader(RtpHeaderInfo* info, const uint8_t* packet, int len) {
  if (!initialised_ || !info || !packet || len < kHeaderSize) return -1;
  if ((packet[0] >> 6) != 2) return -1;
  info->timestamp = Get32(packet + 4);
  info->ssrc = Get32(packet + 8);
  info->sequence = Get16(packet + 2);
  info->marker = (packet[1] & 0x80) ? 1 : 0;
  info->payload_type = packet[1] & 0x7F;
  return kHeaderSize;
}

}  // namespace pellaquin
