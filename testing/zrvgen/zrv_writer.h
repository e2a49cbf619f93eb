#pragma once
// Writes .zrv recordings for tests and benchmarks: pictures are cut into
// stored RTP packets (1 ms timestamp unit, marker on a picture's last
// packet) in a video segment, optionally followed by an audio segment.
//
// Header fields the player does not read are filled as follows:
//   file header   [0] tag 0x0056525A ("ZRV\0"), [4] format version 1
//   segment header [4] media kind (0 video, 1 audio, 2 other)
//                  [8] RTP payload type, [12] clock rate 1000
//                  [16] first and [20] last RTP timestamp of the segment
//                  [24] bytes of entry data, [28] 0, [36..43] 0
// Layout: file header, entry data of every segment, then each segment
// header followed by its entry table.
#include <cstdint>
#include <string>
#include <vector>

namespace zrvgen {

using Bytes = std::vector<uint8_t>;

struct Picture {
  Bytes data;  // one access unit / picture, start codes included
  bool key = false;
};

enum class Codec { kH264, kH263 };

struct Options {
  Codec codec = Codec::kH264;
  int segments = 2;                  // 1 = video only; 3 = an extra segment
  uint32_t first_timestamp = 90000;  // RTP timestamp (ms) of picture 0
  uint32_t interval_ms = 100;        // between pictures
  size_t max_payload = 1400;         // bytes per stored packet payload
  // Odd cases.
  bool no_key = false;               // no entry starts a key picture
  int backwards_at = -1;             // this picture's timestamp lies 2 intervals back
  int tiny_entries_at = -1;          // a 0-byte and a 12-byte entry before this picture
  bool entry_beyond_end = false;     // the last video entry points past the file end
  bool broken_chain = false;         // segment 0's next offset points past the file end
  int csrc_count = 0;                // CSRC identifiers in every video packet's header
  uint32_t claimed_segments = 0;     // header's segment count (0 = the real one); the
                                     // last segment's next offset points to itself
  uint32_t claimed_entries = 0;      // segment 0's entry count (0 = the real one)
};

// Damage done to the file's own records (not to the packets).
struct Damage {
  bool entry_beyond_end = false;
  bool broken_chain = false;
  uint32_t claimed_segments = 0;
  uint32_t claimed_entries = 0;
};

struct Segment {
  uint32_t kind = 0;
  uint32_t payload_type = 0;
  std::vector<Bytes> entries;
};

// Stored RTP packets for the pictures.
std::vector<Bytes> PacketizeVideo(const std::vector<Picture>& pictures, const Options& options);
// One 20 ms packet per 20 ms of the video's length.
std::vector<Bytes> MakeAudioEntries(size_t pictures, const Options& options);
// The whole recording; false with a message on failure.
bool WriteRecording(const std::string& path, const std::vector<Picture>& pictures,
                    const Options& options, std::string* error);
// Lower level: any segments, any entries.
bool WriteSegments(const std::string& path, const std::vector<Segment>& segments,
                   bool entry_beyond_end, bool broken_chain, std::string* error);
bool WriteSegments(const std::string& path, const std::vector<Segment>& segments, const Damage& damage,
                   std::string* error);
// An RTP packet with the given timestamp, marker and payload.
Bytes RtpPacket(uint32_t timestamp, bool marker, const Bytes& payload, uint8_t payload_type = 96,
                uint16_t sequence = 0);

}  // namespace zrvgen
