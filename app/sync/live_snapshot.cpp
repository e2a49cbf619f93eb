#include "live_snapshot.h"

#include <QJsonValue>

#include <algorithm>

#include "printable_text.h"

namespace velmora {

std::vector<std::string> live_state_words() {
  return {"idle", "waiting", "connecting", "syncing", "retry-wait", "failed", "complete", "stopped"};
}

QJsonObject live_to_json(const LiveCamera& c) {
  QJsonObject o;
  o["id"] = static_cast<qint64>(c.camera_id);
  o["state"] = QString::fromStdString(c.state);
  o["status"] = c.status;
  // Names and reasons come from cameras: as the console shows them.
  o["file"] = QString::fromStdString(printable_text(c.file));
  // Doubles hold integers exactly up to 2^53.
  o["file_bytes"] = static_cast<double>(c.file_bytes);
  o["file_size"] = static_cast<double>(c.file_size);
  o["percent"] = c.percent;
  o["done"] = c.done;
  o["total"] = c.total;
  o["run_bytes"] = static_cast<double>(c.run_bytes);
  o["speed"] = static_cast<double>(c.speed);
  o["eta"] = static_cast<qint64>(c.eta);
  o["next_retry"] = static_cast<qint64>(c.next_retry / 1000);
  o["reason"] = QString::fromStdString(printable_text(c.reason));
  o["failing_since"] = static_cast<qint64>(c.failing_since);
  o["failed_runs"] = c.failed_runs;
  return o;
}

bool live_from_json(const QJsonObject& o, LiveCamera& c) {
  if (!o.value("id").isDouble() || !o.value("state").isString()) return false;
  // From another process: every number is clamped to what it can mean.
  auto count = [&](const char* key) {
    const double v = o.value(key).toDouble();
    return v > 0 && v < 2147483647.0 ? static_cast<std::int32_t>(v) : 0;
  };
  auto big = [&](const char* key) -> std::uint64_t {
    const double v = o.value(key).toDouble();
    return v > 0 && v < 9.0e15 ? static_cast<std::uint64_t>(v) : 0;
  };
  c = LiveCamera{};
  c.camera_id = static_cast<std::int32_t>(o.value("id").toInteger());
  c.state = o.value("state").toString().toStdString();
  c.status = count("status");
  c.file = o.value("file").toString().toStdString();
  c.file_bytes = big("file_bytes");
  c.file_size = big("file_size");
  c.percent = std::min(count("percent"), 100);
  c.done = count("done");
  c.total = count("total");
  c.run_bytes = big("run_bytes");
  c.speed = big("speed");
  c.eta = o.value("eta").toDouble() >= 0 ? static_cast<std::int64_t>(big("eta")) : -1;
  c.next_retry = static_cast<std::int64_t>(big("next_retry")) * 1000;
  c.reason = o.value("reason").toString().toStdString();
  c.failing_since = static_cast<std::int64_t>(big("failing_since"));
  c.failed_runs = count("failed_runs");
  return true;
}

void RateWindow::add(std::int64_t now_ms, std::uint64_t total) {
  // A total that shrank belongs to a new run: the old samples say nothing.
  if (!samples_.empty() && total < samples_.back().second) samples_.clear();
  samples_.emplace_back(now_ms, total);
  while (samples_.size() > 2 && samples_[1].first <= now_ms - window_ms_) samples_.pop_front();
}

std::uint64_t RateWindow::bytes_per_second(std::int64_t now_ms) const {
  if (samples_.size() < 2) return 0;
  const auto& [t0, b0] = samples_.front();
  const auto& [t1, b1] = samples_.back();
  // Nothing arrived for a whole window: the transfer stands still.
  if (now_ms - t1 >= window_ms_) return 0;
  const std::int64_t span = std::max<std::int64_t>(now_ms, t1) - t0;
  if (span <= 0) return 0;
  return static_cast<std::uint64_t>(static_cast<double>(b1 - b0) * 1000.0 / static_cast<double>(span));
}

}  // namespace velmora
