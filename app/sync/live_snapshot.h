// What a running program knows about one camera right now (state, the file
// in transfer, speed, time left, counts, next retry), built by the engine on
// the main thread from the events it receives; its JSON form is what
// 'velmora status' is answered with over the control socket. Keys never
// change meaning; new ones may be added.
#pragma once

#include <QJsonObject>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

struct LiveCamera {
  std::int32_t camera_id = 0;
  std::string state = "idle";     // one of live_state_words()
  std::int32_t status = 0;        // the engine's status number
  std::string file;               // the recording in transfer ("" = none)
  std::uint64_t file_bytes = 0;   // of it on disk now
  std::uint64_t file_size = 0;
  int percent = 0;
  std::int32_t done = 0, total = 0;  // recordings of this run
  std::uint64_t run_bytes = 0;    // written this run, partial files included
  std::uint64_t speed = 0;        // bytes/s over the last few seconds
  std::int64_t eta = -1;          // seconds until this run's queue is done; -1 unknown
  std::int64_t next_retry = 0;    // when a retry starts, ms since 1970; 0 none
  std::string reason;             // why the current or last run failed
  std::int64_t failing_since = 0;  // first failed run of the current streak, s since 1970
  std::int32_t failed_runs = 0;    // runs failed in a row
};

// "idle", "waiting", "connecting", "syncing", "retry-wait", "failed",
// "complete", "stopped".
std::vector<std::string> live_state_words();
QJsonObject live_to_json(const LiveCamera& c);
bool live_from_json(const QJsonObject& o, LiveCamera& c);

// Bytes per second over a sliding window of samples of a growing total.
class RateWindow {
public:
  explicit RateWindow(std::int64_t window_ms = 10000) : window_ms_(window_ms) {}
  void add(std::int64_t now_ms, std::uint64_t total);
  std::uint64_t bytes_per_second(std::int64_t now_ms) const;
  void clear() { samples_.clear(); }

private:
  std::int64_t window_ms_;
  std::deque<std::pair<std::int64_t, std::uint64_t>> samples_;
};

}  // namespace velmora
