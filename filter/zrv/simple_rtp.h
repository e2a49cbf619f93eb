#pragma once
// The small RTP header class the player uses to read the stored packets (and
// that a writer can use to make them): 12-byte headers, network byte order.
#include <cstdint>

namespace pellaquin {

struct RtpConfig {
  uint16_t payload_type;
  uint16_t frames_per_second;
  uint32_t clock_rate;  // Hz
  uint32_t ssrc;
};

struct RtpHeaderInfo {
  uint32_t timestamp;
  uint32_t ssrc;
  uint16_t sequence;
  uint16_t marker;
  uint16_t payload_type;
};

class CSimpleRtp {
public:
  static constexpr int kHeaderSize = 12;

  virtual ~CSimpleRtp() = default;
  int Setup(const RtpConfig& config);
  virtual int BuildHeader(int marker, uint8_t* out);
  virtual int BuildHeaderAt(int marker, uint8_t* out, uint32_t ms);
  // Returns the header length (fixed part, CSRCs, extension) or -1. The
  // packet must hold at least len bytes; a header longer than that is -1.
  virtual int ParseHeader(RtpHeaderInfo* info, const uint8_t* packet, int len);
  // The fixed 12 bytes alone, for callers that read no more of a packet
  // than that (CSRCs and extension are neither needed nor checked):
  // kHeaderSize, or -1 when not set up, shorter or not version 2.
  int ParseFixedHeader(RtpHeaderInfo* info, const uint8_t* packet, int len);

private:
  int Write(int marker, uint8_t* out);

  bool initialised_ = false;
  uint8_t first_bytes_[2] = {0, 0};
  uint16_t sequence_ = 0;
  uint32_t timestamp_ = 0;
  uint32_t ssrc_ = 0;
  uint16_t payload_type_ = 0;
  uint16_t frames_per_second_ = 0;
  uint32_t clock_rate_ = 0;
  uint32_t step_ = 0;
  uint32_t units_per_ms_ = 0;
  int last_marker_ = 1;
};

}  // namespace pellaquin
