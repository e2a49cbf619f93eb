#include "sync_display.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "console.h"
#include "download_layout.h"
#include "printable_text.h"
#include "run_report.h"
#include "status_texts.h"
#include "terminal.h"
#include "window_messages.h"

namespace velmora {

namespace {

std::int64_t monotonic_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SyncDisplay::SyncDisplay(SyncController& controller, std::FILE* out, bool live,
                         std::int64_t failure_repeat_ms)
    : controller_(controller), out_(out), live_(live), board_(out),
      failure_repeat_ms_(failure_repeat_ms) {
  const TerminalInfo t = probe_terminal(::fileno(out));
  terminal_ = live || (t.tty && !t.journal);
  connect(&controller_, &SyncController::statusChanged, this, &SyncDisplay::on_status);
  connect(&controller_, &SyncController::runEnded, this, &SyncDisplay::on_run_ended);
  connect(&controller_, &SyncController::countsChanged, this, &SyncDisplay::on_counts);
  connect(&controller_, &SyncController::fileProgress, this, &SyncDisplay::on_progress);
  connect(&controller_, &SyncController::currentFileChanged, this, &SyncDisplay::on_file);
  connect(&controller_, &SyncController::fileFailed, this, &SyncDisplay::on_failed);
  connect(&controller_, &SyncController::speedUpdated, this, &SyncDisplay::on_speed);
  connect(&controller_, &SyncController::cardDeleteAnswered, this, &SyncDisplay::on_card_delete);
  connect(&controller_, &SyncController::recordingsRemoved, this, &SyncDisplay::on_removed);
  connect(&controller_, &SyncController::autoSyncFired, this,
          [this](const QString&) {
            event(QCoreApplication::translate("Console", "automatic synchronisation of every camera")
                      .toStdString());
          });
  if (live_) {
    redraw_.setInterval(200);
    connect(&redraw_, &QTimer::timeout, this, &SyncDisplay::redraw);
    redraw_.start();
  }
  const int fd = Console::library_lines_fd();
  if (fd >= 0) {
    library_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(library_, &QSocketNotifier::activated, this, [this] { read_library_lines(); });
  }
}

SyncDisplay::~SyncDisplay() { finish(); }

std::string SyncDisplay::camera_label(std::int32_t id) const {
  auto it = controller_.cameras().find(id);
  return velmora::camera_label(id, it == controller_.cameras().end() ? nullptr : &it->second,
                               controller_.alias_of(id));
}

int SyncDisplay::on_disk(std::int32_t id) const {
  const std::string root = controller_.scheduler().download_root();
  int n = 0;
  for (const std::string& folder : {alarm_folder(root, id), manual_folder(root, id)}) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string name = it->path().filename().string();
      const bool partial = name.size() >= 4 && name.compare(name.size() - 4, 4, ".tmp") == 0;
      if (!partial && it->is_regular_file(ec)) ++n;
    }
  }
  return n;
}

std::string SyncDisplay::outcome_text(std::int32_t id, int status) {
  if (status != STATUS_COMPLETE) {
    const CameraView& v = controller_.view(id);
    if (status_is_final(status) && status != STATUS_USER_STOPPED && !v.reason.empty())
      return v.reason;
    return status_label(status).toStdString();
  }
  const CameraView& v = controller_.view(id);
  const int skipped = runs_[id].skipped;
  const int disk = on_disk(id);
  if (v.total == 0)
    return QCoreApplication::translate("Console", "up to date, %1 on disk").arg(disk).toStdString() +
           housekeeping_text(v);
  // The status text leads, as on the window's row.
  QString text = QCoreApplication::translate("Console", "%1, %2/%3 new recordings")
                     .arg(status_label(status))
                     .arg(v.done)
                     .arg(v.total);
  // List separators differ between languages (", " against "，").
  const QString comma = QCoreApplication::translate("Console", ", ");
  if (skipped > 0) text += comma + QCoreApplication::translate("Console", "%1 skipped").arg(skipped);
  return (text + comma + QCoreApplication::translate("Console", "%1 on disk").arg(disk)).toStdString() +
         housekeeping_text(v);
}

std::string SyncDisplay::housekeeping_text(const CameraView& v) {
  return housekeeping_text(v.card_deleted, v.card_kept, v.removed_files, v.removed_bytes);
}

std::string SyncDisplay::housekeeping_text(int card_deleted, int card_kept, int removed_files,
                                           unsigned long long removed_bytes) {
  std::string text;
  if (card_deleted > 0 || card_kept > 0)
    text += QCoreApplication::translate("Console", "; %1 deleted from camera cards, %2 kept")
                .arg(card_deleted)
                .arg(card_kept)
                .toStdString();
  if (removed_files > 0)
    text += QCoreApplication::translate("Console", "; %1 old recording(s) removed (%2)")
                .arg(removed_files)
                .arg(QString::fromStdString(human_bytes(removed_bytes)))
                .toStdString();
  return text;
}

int SyncDisplay::file_number(std::int32_t id) {
  const CameraView& v = controller_.view(id);
  return v.done + runs_[id].skipped + 1;
}

std::vector<std::string> SyncDisplay::board_rows() {
  std::vector<std::string> rows;
  int running = 0, waiting = 0;
  for (const auto& [id, record] : controller_.cameras()) {
    (void)record;
    const CameraView& v = controller_.view(id);
    if (v.status == STATUS_WAITING) {
      ++waiting;
      continue;
    }
    if (v.status != STATUS_SYNCING && v.status != STATUS_CONNECTING) continue;
    ++running;
    const std::string alias = controller_.alias_of(id);
    std::string row =
        "  " + (alias.empty()
                    ? QCoreApplication::translate("Console", "camera %1").arg(id).toStdString()
                    : printable_text(alias));
    if (v.status == STATUS_SYNCING && v.total > 0 && !v.current_file.empty()) {
      constexpr int kBar = 16;
      const int filled = std::clamp(v.percent, 0, 100) * kBar / 100;
      char buf[96];
      std::snprintf(buf, sizeof buf, "  %d/%d [%s%s] %3d%%  ", std::min(file_number(id), v.total),
                    v.total, std::string(static_cast<std::size_t>(filled), '#').c_str(),
                    std::string(static_cast<std::size_t>(kBar - filled), '.').c_str(), v.percent);
      row += buf + printable_text(v.current_file);
    } else {
      row += "  " + status_label(v.status).toStdString();
    }
    rows.push_back(row);
  }
  if (!rows.empty() || waiting > 0) {
    rows.push_back("  " + QCoreApplication::translate("Console", "%1 running, %2 waiting, %3 KB/s")
                              .arg(running)
                              .arg(waiting)
                              .arg(speed_)
                              .toStdString());
  }
  return rows;
}

void SyncDisplay::redraw() {
  if (!live_) return;
  board_shown_ = board_.show(board_rows());
}

void SyncDisplay::event(const std::string& text) {
  ++lines_;
  const std::string line = now_text() + "  " + text;
  if (live_) {
    board_.line(line);
  } else {
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
  }
}

bool SyncDisplay::read_library_lines() {
  char buf[4096];
  const ssize_t n = ::read(Console::library_lines_fd(), buf, sizeof buf);
  if (n <= 0) {
    // End of the stream, or (non-blocking) nothing more for now.
    if (n == 0 && library_) library_->setEnabled(false);
    return false;
  }
  library_partial_.append(buf, static_cast<std::size_t>(n));
  std::size_t nl;
  while ((nl = library_partial_.find('\n')) != std::string::npos) {
    board_.line(library_partial_.substr(0, nl), stderr);
    library_partial_.erase(0, nl + 1);
  }
  return true;
}

void SyncDisplay::finish() {
  finished_ = true;
  redraw_.stop();
  board_.close();
  board_shown_ = false;
  if (library_ && library_->isEnabled()) {
    // From now on the library's lines go straight to standard error; what
    // it wrote before is still in the pipe.
    std::fflush(stdout);
    Console::library_lines_direct();
    library_->setEnabled(false);
    while (read_library_lines()) {
    }
    if (!library_partial_.empty()) board_.line(library_partial_, stderr);
    library_partial_.clear();
  }
  std::fflush(out_);
}

void SyncDisplay::on_status(int id, int status) {
  if (status == STATUS_SYNCING) {
    printed_quarter_[id] = -1;
    runs_[id] = Run{};
    last_done_[id] = 0;
    file_open_[id] = false;
  }
  // The end of a run is told when the engine has closed it (on_run_ended).
  if (status_is_final(status) && status != STATUS_USER_STOPPED) return;
  // A log keeps a camera's connect (not while it keeps failing) and its stop.
  if (!terminal_ && status != STATUS_USER_STOPPED &&
      (status != STATUS_CONNECTING || failing_.count(id)))
    return;
  event(camera_label(id) + ": " + outcome_text(id, status));
}

void SyncDisplay::on_run_ended(int id) {
  const RunResult* run = controller_.last_run(id);
  if (finished_ || !run || run->status == STATUS_USER_STOPPED) return;
  std::string text = outcome_text(id, run->status);
  if (status_completes(run->status)) {
    failing_.erase(id);
    event(camera_label(id) + ": " + text);
    return;
  }
  if (const std::string fix = remedy_text(*run); !fix.empty())
    text += QCoreApplication::translate("Console", "; ").toStdString() + fix;
  const std::int64_t now = monotonic_ms();
  auto it = failing_.find(id);
  if (it == failing_.end() || it->second.said != text) {
    // A new failure, or another one than before: said in full.
    failing_[id] = Failing{text, now};
    event(camera_label(id) + ": " + text);
    return;
  }
  // The same failure again: the retry list keeps trying every minute, the
  // log says so at most once per interval.
  if (now - it->second.logged_ms < failure_repeat_ms_) return;
  it->second.logged_ms = now;
  const CameraView& v = controller_.view(id);
  event(camera_label(id) + ": " +
        QCoreApplication::translate("Console", "still failing since %1, %n attempt(s): %2",
                                    nullptr, v.failed_runs)
            .arg(QString::fromStdString(local_time_text(v.failing_since, false)),
                 QString::fromStdString(text))
            .toStdString());
}

void SyncDisplay::on_counts(int id, int done, int total) {
  (void)total;
  int& last = last_done_[id];
  const bool stored = done > last && file_open_[id];
  last = done;
  if (!stored) return;
  file_open_[id] = false;
  if (terminal_) return;  // a terminal saw the start and the progress
  const CameraView& v = controller_.view(id);
  const QString comma = QCoreApplication::translate("Console", ", ");
  QString details = QString::fromStdString(human_bytes(v.file_size));
  if (v.file_offset > 0)
    details += comma + QCoreApplication::translate("Console", "resumed at %1")
                           .arg(QString::fromStdString(human_bytes(v.file_offset)));
  details += comma + QCoreApplication::translate("Console", "file %1 of %2")
                         .arg(v.done + runs_[id].skipped)
                         .arg(v.total);
  event(camera_label(id) + ": " +
        QCoreApplication::translate("Console", "stored %1 (%2)")
            .arg(QString::fromStdString(printable_text(v.current_file)), details)
            .toStdString());
}

void SyncDisplay::on_progress(int id, int percent) {
  if (!terminal_ || (live_ && board_shown_)) return;
  // Without a board, progress goes out in quarter steps.
  const int quarter = percent / 25;
  int& last = printed_quarter_[id];
  if (quarter <= last || quarter == 0) return;
  last = quarter;
  const CameraView& v = controller_.view(id);
  event(camera_label(id) + ": " + printable_text(v.current_file) + " " +
        std::to_string(quarter * 25) + "%");
}

void SyncDisplay::on_file(int id, const QString& name) {
  printed_quarter_[id] = 0;
  file_open_[id] = true;
  if (!terminal_) return;  // a log gets the line when the file is stored
  const CameraView& v = controller_.view(id);
  const QString file = QString::fromStdString(printable_text(name.toStdString()));
  const QString number =
      QCoreApplication::translate("Console", "(file %1 of %2)").arg(file_number(id)).arg(v.total);
  if (v.file_offset > 0 && v.file_size > 0) {
    event(camera_label(id) + ": " +
          QCoreApplication::translate("Console", "resuming %1 at %2 of %3 %4")
              .arg(file, QString::fromStdString(human_bytes(v.file_offset)),
                   QString::fromStdString(human_bytes(v.file_size)), number)
              .toStdString());
  } else {
    event(camera_label(id) + ": " +
          QCoreApplication::translate("Console", "downloading %1 %2").arg(file, number).toStdString());
  }
}

void SyncDisplay::on_failed(int id, const QString& name, const QString& reason) {
  ++runs_[id].skipped;
  file_open_[id] = false;
  event(camera_label(id) + ": " +
        QCoreApplication::translate("Console", "skipped %1: %2")
            .arg(QString::fromStdString(printable_text(name.toStdString())),
                 QString::fromStdString(printable_text(reason.toStdString())))
            .toStdString());
}

void SyncDisplay::on_card_delete(int id, const QString& name, int result) {
  const QString file = QString::fromStdString(printable_text(name.toStdString()));
  QString text;
  if (result == CARD_DELETED) {
    text = QCoreApplication::translate("Console", "deleted %1 from the camera (copy verified)")
               .arg(file);
  } else {
    text = result == CARD_DELETE_REFUSED
               ? QCoreApplication::translate("Console",
                                             "the camera refused to delete %1; it keeps it")
                     .arg(file)
               : QCoreApplication::translate(
                     "Console",
                     "the camera did not answer the delete of %1; it keeps it and no more are "
                     "asked this run")
                     .arg(file);
  }
  event(camera_label(id) + ": " + text.toStdString());
}

void SyncDisplay::on_removed(int id, int files, qint64 bytes, int keep_days) {
  event(camera_label(id) + ": " +
        QCoreApplication::translate("Console",
                                    "removed %1 recording(s) older than %2 day(s), %3 freed")
            .arg(files)
            .arg(keep_days)
            .arg(QString::fromStdString(human_bytes(static_cast<unsigned long long>(bytes))))
            .toStdString());
}

void SyncDisplay::on_speed(qint64 kbps) {
  speed_ = kbps;
  const bool any_running = !controller_.scheduler().active().empty();
  if (terminal_ && (!live_ || !board_shown_) && any_running && kbps > 0)
    event(QCoreApplication::translate("Console", "speed %1 KB/s").arg(kbps).toStdString());
}

}  // namespace velmora
