// Shows the engine's progress on the console: one line per status change,
// file start and failure; on a terminal also a live board with one row per
// running camera (file, progress bar, counts) and the download speed.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "sync_controller.h"

namespace velmora {

class SyncDisplay : public QObject {
  Q_OBJECT
public:
  SyncDisplay(SyncController& controller, std::FILE* out, bool live);
  ~SyncDisplay() override;

  // Prints a line above the board.
  void event(const std::string& text);
  // Removes the board (before a final summary).
  void finish();
  std::string camera_label(std::int32_t id) const;

private:
  void on_status(int id, int status);
  void on_counts(int id, int done, int total);
  void on_progress(int id, int percent);
  void on_file(int id, const QString& name);
  void on_failed(int id, const QString& name, const QString& reason);
  void on_speed(qint64 kbps);
  void clear_board();
  void draw_board();

  SyncController& controller_;
  std::FILE* out_;
  bool live_;
  int board_lines_ = 0;
  qint64 speed_ = 0;
  bool any_running_ = false;
  std::map<std::int32_t, int> printed_quarter_;  // non-live: last 25 % step printed
  QTimer redraw_;
};

}  // namespace velmora
