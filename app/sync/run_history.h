// The history of every camera's runs: an append-only log of one JSON object
// per line in the data folder, private to its owner. When it grows past its
// cap the newest half is kept (written to a temporary file and renamed over
// the log, so a reader sees the old or the new log, never a mix). Reading
// needs no lock and skips lines it cannot parse, such as a line torn by a
// crash in the middle of a write.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "run_result.h"

namespace velmora {

inline constexpr std::int64_t kHistoryCapBytes = 1024 * 1024;

// What the history says about one camera.
struct CameraHistory {
  bool has_run = false;
  RunResult last;                  // the last run, whatever its outcome
  std::int64_t last_completed = 0; // end of the last completed run (0 = never)
  std::uint64_t recent_bytes = 0;  // fetched by runs that ended in the window
};

class RunHistory {
public:
  explicit RunHistory(std::string path, std::int64_t cap_bytes = kHistoryCapBytes)
      : path_(std::move(path)), cap_(cap_bytes) {}

  // Appends one run; false (errno says why) when the log cannot be written.
  bool append(const RunResult& run);
  // Every readable run, oldest first.
  std::vector<RunResult> read() const;
  const std::string& path() const { return path_; }

private:
  bool compact();

  std::string path_;
  std::int64_t cap_;
};

// Per camera id: the last run, the last completed run and the bytes of the
// runs that ended after `since` (seconds since 1970).
std::map<std::int32_t, CameraHistory> summarise(const std::vector<RunResult>& runs,
                                                std::int64_t since);

}  // namespace velmora
