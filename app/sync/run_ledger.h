// Keeps the tally of each camera's current run from the workers' reports
// (status, counts, file started, file failed, failure reason) and closes it
// into a RunResult when the run ends. Main thread only, like the controller
// that feeds it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "run_result.h"

namespace velmora {

class RunLedger {
public:
  // `now_ms`: milliseconds since 1970.
  void status(std::int32_t id, std::int32_t status, std::int64_t now_ms);
  void file_started(std::int32_t id, std::uint32_t offset, std::uint32_t size);
  // How much of the file in transfer is on disk now.
  void progress(std::int32_t id, std::uint64_t position);
  void counts(std::int32_t id, std::int32_t done, std::int32_t total);
  void file_failed(std::int32_t id);
  void failure(std::int32_t id, std::int32_t kind, const std::string& text);
  // Ends the camera's run with `status`; false when no run was open (a late
  // report of a run that has already ended).
  bool finish(std::int32_t id, std::int32_t status, bool local, std::int64_t now_ms,
              RunResult& out);
  bool open(std::int32_t id) const;
  // Bytes written so far in the camera's open run (0 when none is open).
  std::uint64_t bytes_written(std::int32_t id) const;
  std::vector<std::int32_t> open_ids() const;

private:
  struct Open {
    RunResult result;
    std::int64_t started_ms = 0;
    std::int32_t last_done = 0;
    bool file_open = false;
    std::uint32_t offset = 0, size = 0;
    std::uint64_t position = 0;  // of the file in transfer
    // What went into the file in transfer this run: also counted when the
    // run ends before the file does, since it stays on disk to resume.
    std::uint64_t unfinished() const { return file_open && position > offset ? position - offset : 0; }
  };
  std::map<std::int32_t, Open> runs_;
};

}  // namespace velmora
