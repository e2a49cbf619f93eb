#include "web_state.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonValue>

#include "printable_text.h"
#include "run_report.h"

namespace velmora {

namespace {

constexpr std::int64_t kRecentSeconds = 7 * 24 * 3600;

QJsonValue time_or_null(std::int64_t s) {
  return s > 0 ? QJsonValue(QString::fromStdString(local_time_text(s, true))) : QJsonValue();
}

}  // namespace

WebState::WebState(SyncController& controller)
    : controller_(controller), started_s_(QDateTime::currentSecsSinceEpoch()) {}

void WebState::refresh_history() {
  const QFileInfo info(QString::fromStdString(controller_.options().paths.history_file()));
  const std::int64_t size = info.exists() ? info.size() : 0;
  const std::int64_t mtime = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
  const std::int64_t now = QDateTime::currentSecsSinceEpoch();
  if (size == log_size_ && mtime == log_mtime_ms_ && now - summarised_s_ < 60) return;
  if (size != log_size_ || mtime != log_mtime_ms_)
    runs_ = RunHistory(controller_.options().paths.history_file()).read();
  log_size_ = size;
  log_mtime_ms_ = mtime;
  summarised_s_ = now;
  past_ = summarise(runs_, now - kRecentSeconds);
}

QJsonObject WebState::camera(std::int32_t id) {
  refresh_history();
  return camera_object(id);
}

QJsonObject WebState::camera_object(std::int32_t id) const {
  auto r = controller_.cameras().find(id);
  if (r == controller_.cameras().end()) return {};
  QJsonObject o = camera_identity(r->second, controller_.alias_of(id));
  o["type"] = "camera";
  // The engine's own last run (this process's, else the history's).
  const RunResult* last = controller_.last_run(id);
  o["last_completed"] = time_or_null(controller_.last_completed(id));
  put_last_run(o, last);
  auto p = past_.find(id);
  o["bytes_7d"] = static_cast<double>(p == past_.end() ? 0 : p->second.recent_bytes);
  o["live"] = live_to_json(controller_.live(id));
  return o;
}

QJsonArray WebState::cameras() {
  refresh_history();
  QJsonArray list;
  for (const auto& [id, record] : controller_.cameras()) {
    (void)record;
    list.append(camera_object(id));
  }
  return list;
}

std::vector<RunResult> WebState::runs_of(std::int32_t id, std::int64_t since) {
  refresh_history();
  std::vector<RunResult> out;
  for (auto it = runs_.rbegin(); it != runs_.rend(); ++it)
    if (it->camera_id == id && it->ended >= since) out.push_back(*it);
  return out;
}

void WebState::count(const RunResult& run) {
  CameraCounters& c = counters_[run.camera_id];
  c.bytes += run.bytes;
  c.files += static_cast<std::uint64_t>(run.fetched > 0 ? run.fetched : 0);
  if (!run_ok(run) && run.status != STATUS_USER_STOPPED) ++c.failures;
}

}  // namespace velmora
