#pragma once
// Copies a recording's pictures into an MP4 (H.264) or 3GP (H.263) file
// without re-encoding: the recording is read by the media framework's
// demuxer into an application sink, the wanted pictures are handed on to a
// second pipeline of the framework's own parser, muxer and file sink. The
// output keeps the recording's picture times, counted from the first
// picture written, and appears under its final name only when complete.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace pellaquin {

struct ExportRange {
  int64_t from = -1;  // ns; < 0 = from the start
  int64_t to = -1;    // ns; < 0 = to the end
};

struct ExportResult {
  uint64_t pictures = 0;
  int64_t first_time = 0;     // ns, recording time of the first picture written (a key picture)
  int64_t duration = 0;       // ns, from the first to past the last picture
  uint64_t bytes = 0;
};

// Called from the calling thread with the recording time reached and the
// recording's duration (0 when unknown).
using ExportProgress = std::function<void(int64_t position, int64_t duration)>;

// "mp4" or "3gp" for a recording, "" with a message when it cannot be read.
// gst_init must have been called.
std::string ExportExtension(const std::string& in_path, std::string* error);

// Writes out_path; false with a message (and no file under out_path) on
// failure. cancel, when given, stops the export from another thread.
bool ExportRecording(const std::string& in_path, const std::string& out_path, const ExportRange& range,
                     bool replace, const ExportProgress& progress, std::atomic<bool>* cancel,
                     ExportResult* result, std::string* error);

}  // namespace pellaquin
