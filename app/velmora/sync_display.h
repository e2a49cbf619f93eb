// Shows the engine's progress on the console. For a log nobody watches (a
// service, a pipe): one dated line per finished file and per camera outcome,
// a camera that keeps failing in full the first time and then at most once
// per `failure_repeat_ms`. On a terminal also the status changes, file starts
// and progress; where the cursor can move a live board with one row per
// running camera (file, progress bar, counts) and the download speed, kept
// below the lines. What each run brought in is the engine's
// (SyncController::last_run).
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "live_board.h"
#include "sync_controller.h"

class QSocketNotifier;

namespace velmora {

class SyncDisplay : public QObject {
  Q_OBJECT
public:
  // `live`: the output is a terminal that may show a live board.
  SyncDisplay(SyncController& controller, std::FILE* out, bool live,
              std::int64_t failure_repeat_ms = 3600 * 1000);
  ~SyncDisplay() override;

  // Prints a dated line above the board.
  void event(const std::string& text);
  // Removes the board (before a final summary) and prints any library lines
  // still waiting.
  void finish();
  std::string camera_label(std::int32_t id) const;

  // "up to date, 7 on disk", "complete, 3/3 new recordings, 7 on disk",
  // or the status text.
  std::string outcome_text(std::int32_t id, int status);
  // "; 3 deleted from camera cards, 0 kept; 2 old recording(s) removed (1.2 MB)",
  // or "" when nothing was deleted or removed.
  static std::string housekeeping_text(int card_deleted, int card_kept, int removed_files,
                                       unsigned long long removed_bytes);
  // Recordings of a camera complete on disk.
  int on_disk(std::int32_t id) const;
  // Lines printed so far (to tell whether anything happened since a point).
  std::uint64_t lines() const { return lines_; }

private:
  struct Run {
    int skipped = 0;  // in the current run
  };

  void on_status(int id, int status);
  void on_run_ended(int id);
  void on_counts(int id, int done, int total);
  void on_progress(int id, int percent);
  void on_file(int id, const QString& name);
  void on_failed(int id, const QString& name, const QString& reason);
  void on_speed(qint64 kbps);
  void on_card_delete(int id, const QString& name, int result);
  void on_removed(int id, int files, qint64 bytes, int keep_days);
  static std::string housekeeping_text(const CameraView& v);
  bool read_library_lines();  // false when nothing was waiting
  std::vector<std::string> board_rows();
  void redraw();
  int file_number(std::int32_t id);

  SyncController& controller_;
  std::FILE* out_;
  bool live_;
  bool board_shown_ = false;  // the last redraw fitted the screen
  LiveBoard board_;
  qint64 speed_ = 0;
  std::map<std::int32_t, int> printed_quarter_;  // plain lines: last 25 % step printed
  std::map<std::int32_t, Run> runs_;
  bool terminal_;  // a person reads along: status changes, file starts, progress
  std::int64_t failure_repeat_ms_;
  struct Failing {
    std::string said;        // the outcome line last printed in full
    std::int64_t logged_ms;  // when a line about it was last printed
  };
  std::map<std::int32_t, Failing> failing_;
  std::map<std::int32_t, int> last_done_;
  std::map<std::int32_t, bool> file_open_;  // a download started and has not ended
  bool finished_ = false;
  std::uint64_t lines_ = 0;
  QTimer redraw_;
  QSocketNotifier* library_ = nullptr;  // the library's log lines, shown above the board
  std::string library_partial_;
};

}  // namespace velmora
