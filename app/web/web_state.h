// What the web page shows, read from the running engine when asked (no copy
// of its state is kept): each camera as "velmora status --json" writes it,
// the runs of the history log (read again only when the log changed), and
// the counters of what this process downloaded since it started. Main
// thread only.
#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include <cstdint>
#include <map>
#include <vector>

#include "run_history.h"
#include "run_result.h"
#include "sync_controller.h"

namespace velmora {

struct CameraCounters {
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
  std::uint64_t failures = 0;
};

class WebState {
public:
  explicit WebState(SyncController& controller);

  // The "camera" objects of "velmora status --json", each with its "live".
  QJsonArray cameras();
  QJsonObject camera(std::int32_t id);
  // Runs of one camera that ended at or after `since` (s since 1970), newest first.
  std::vector<RunResult> runs_of(std::int32_t id, std::int64_t since);
  // Counts a run that ended in this process.
  void count(const RunResult& run);
  const std::map<std::int32_t, CameraCounters>& counters() const { return counters_; }
  SyncController& controller() { return controller_; }
  std::int64_t started_s() const { return started_s_; }

private:
  void refresh_history();
  QJsonObject camera_object(std::int32_t id) const;

  SyncController& controller_;
  std::int64_t started_s_;
  std::map<std::int32_t, CameraCounters> counters_;
  std::vector<RunResult> runs_;
  std::map<std::int32_t, CameraHistory> past_;
  std::int64_t log_size_ = -1, log_mtime_ms_ = -1, summarised_s_ = 0;
};

}  // namespace velmora
