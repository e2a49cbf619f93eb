#pragma once
// Rebuilds the segment headers and entry tables of a recording that was cut
// off while it was written: its packets are there, its tables (written at
// the end) are not. The packets are found by walking the data from the end
// of the file header: each one is an RTP packet of version 2 whose sequence
// number follows the previous one's and whose SSRC matches, so a packet
// ends where the next such header begins. A second chain that starts where
// the first ends (the audio track) becomes the second segment.
#include <cstdint>
#include <string>

namespace pellaquin {

struct RepairReport {
  uint32_t pictures = 0;       // video pictures (runs of one timestamp)
  uint32_t key_pictures = 0;
  uint32_t video_packets = 0;
  uint32_t audio_packets = 0;  // 0 when no second chain was found
  uint32_t first_timestamp = 0, last_timestamp = 0;  // ms
  double seconds = 0;          // last minus first picture time
  uint64_t ignored_bytes = 0;  // data left out: an incomplete last picture
};

enum class RepairResult {
  kRepaired,
  kIntact,      // the file's own tables are whole: nothing to repair
  kRefused,     // no packet chain that plays: error says why
  kFailed,      // reading or writing failed: error says why
};

// Reads in_path and writes the repaired recording to out_path (through a
// temporary file; an existing out_path is replaced only with replace). The
// input is never written; out_path may not name it.
RepairResult RepairRecording(const std::string& in_path, const std::string& out_path, bool replace,
                             RepairReport* report, std::string* error);

// Whether a file's own tables cannot be read (what repair is for): the
// header names no segment inside the file or the segment chain breaks.
bool RecordingLacksTables(const std::string& path);

}  // namespace pellaquin
