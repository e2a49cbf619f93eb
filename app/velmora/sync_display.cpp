#include "sync_display.h"

#include "console.h"
#include "status_texts.h"
#include "window_messages.h"

namespace velmora {

SyncDisplay::SyncDisplay(SyncController& controller, std::FILE* out, bool live)
    : controller_(controller), out_(out), live_(live) {
  connect(&controller_, &SyncController::statusChanged, this, &SyncDisplay::on_status);
  connect(&controller_, &SyncController::countsChanged, this, &SyncDisplay::on_counts);
  connect(&controller_, &SyncController::fileProgress, this, &SyncDisplay::on_progress);
  connect(&controller_, &SyncController::currentFileChanged, this, &SyncDisplay::on_file);
  connect(&controller_, &SyncController::fileFailed, this, &SyncDisplay::on_failed);
  connect(&controller_, &SyncController::speedUpdated, this, &SyncDisplay::on_speed);
  connect(&controller_, &SyncController::autoSyncFired, this,
          [this](const QString& when) { event("automatic synchronisation " + when.toStdString()); });
  if (live_) {
    redraw_.setInterval(200);
    connect(&redraw_, &QTimer::timeout, this, [this] {
      clear_board();
      draw_board();
    });
    redraw_.start();
  }
}

SyncDisplay::~SyncDisplay() { finish(); }

std::string SyncDisplay::camera_label(std::int32_t id) const {
  const std::string alias = controller_.alias_of(id);
  auto it = controller_.cameras().find(id);
  std::string where;
  if (it != controller_.cameras().end()) {
    where = it->second.is_local ? address_text(it->second)
                                : "via server, serial " + serial_of(it->second);
  }
  std::string name = "camera " + std::to_string(id) + (where.empty() ? "" : " (" + where + ")");
  return alias.empty() ? name : alias + " [" + name + "]";
}

void SyncDisplay::clear_board() {
  if (!live_ || board_lines_ == 0) return;
  std::fprintf(out_, "\x1b[%dA\r\x1b[J", board_lines_);
  board_lines_ = 0;
}

void SyncDisplay::draw_board() {
  if (!live_) return;
  int lines = 0;
  for (const auto& [id, record] : controller_.cameras()) {
    (void)record;
    const CameraView& v = controller_.view(id);
    if (v.status != STATUS_SYNCING && v.status != STATUS_CONNECTING &&
        v.status != STATUS_WAITING)
      continue;
    std::string row = "  " + camera_label(id);
    if (row.size() < 30) row.resize(30, ' ');
    if (v.status == STATUS_SYNCING && v.total > 0) {
      const int width = 20;
      const int filled = v.percent * width / 100;
      char buf[160];
      std::snprintf(buf, sizeof buf, " %3d/%-3d [%s%s] %3d%%  %s", v.done, v.total,
                    std::string(static_cast<std::size_t>(filled), '#').c_str(),
                    std::string(static_cast<std::size_t>(width - filled), '.').c_str(), v.percent,
                    v.current_file.c_str());
      row += buf;
    } else {
      row += std::string(" ") + status_english(v.status);
    }
    std::fprintf(out_, "%s\n", row.c_str());
    ++lines;
  }
  if (lines > 0) {
    std::fprintf(out_, "  speed %lld KB/s\n", static_cast<long long>(speed_));
    ++lines;
  }
  board_lines_ = lines;
  std::fflush(out_);
}

void SyncDisplay::event(const std::string& text) {
  clear_board();
  std::fprintf(out_, "%s  %s\n", now_text().c_str(), text.c_str());
  draw_board();
  std::fflush(out_);
}

void SyncDisplay::finish() {
  redraw_.stop();
  clear_board();
  std::fflush(out_);
}

void SyncDisplay::on_status(int id, int status) {
  if (status == STATUS_SYNCING) printed_quarter_[id] = -1;
  std::string text = camera_label(id) + ": " + status_english(status);
  if (status == STATUS_COMPLETE) {
    const CameraView& v = controller_.view(id);
    text += " (" + std::to_string(v.done) + "/" + std::to_string(v.total) + " recordings)";
  }
  event(text);
  any_running_ = !controller_.scheduler().active().empty();
}

void SyncDisplay::on_counts(int id, int done, int total) {
  (void)id;
  (void)done;
  (void)total;  // shown on the board and in the outcome
}

void SyncDisplay::on_progress(int id, int percent) {
  if (live_) return;
  // Without a terminal, progress goes out in quarter steps.
  const int quarter = percent / 25;
  int& last = printed_quarter_[id];
  if (quarter <= last || quarter == 0) return;
  last = quarter;
  const CameraView& v = controller_.view(id);
  event(camera_label(id) + ": " + v.current_file + " " + std::to_string(quarter * 25) + "%");
}

void SyncDisplay::on_file(int id, const QString& name) {
  printed_quarter_[id] = 0;
  const CameraView& v = controller_.view(id);
  event(camera_label(id) + ": downloading " + name.toStdString() + " (" +
        std::to_string(v.done + 1) + " of " + std::to_string(v.total) + ")");
}

void SyncDisplay::on_failed(int id, const QString& name, const QString& reason) {
  event(camera_label(id) + ": skipped '" + name.toStdString() + "': " + reason.toStdString());
}

void SyncDisplay::on_speed(qint64 kbps) {
  speed_ = kbps;
  any_running_ = !controller_.scheduler().active().empty();
  if (!live_ && any_running_ && kbps > 0) event("speed " + std::to_string(kbps) + " KB/s");
}

}  // namespace velmora
