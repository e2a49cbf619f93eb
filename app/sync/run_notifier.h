// Tells the user when a camera's run fails or stops on a full disk: once per
// camera and run (the retries of a failed camera say nothing new until the
// camera is started again, by hand or by the next automatic run), to the
// window through notice() and to the notify command when one is set. Main
// thread only.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "run_result.h"

class QProcess;

namespace velmora {

class SyncController;

class RunNotifier : public QObject {
  Q_OBJECT
public:
  static constexpr int kCommandTimeLimitMs = 30000;

  explicit RunNotifier(SyncController& controller);
  // Waits for commands still running (each within its time limit), so that
  // a --once run's notices are delivered before the program ends.
  ~RunNotifier() override;

  // The reason handed on when the run's own is empty (the status's text);
  // without one, the outcome word.
  void set_reason_text(std::function<std::string(const RunResult&)> text) {
    reason_text_ = std::move(text);
  }
  void set_command_time_limit_ms(int ms) { time_limit_ms_ = ms; }

  // Splits a notify command into program and arguments: words are separated
  // by blanks, "double quotes" keep blanks inside a word and """ stands for
  // one quote. Empty when there is no program.
  static QStringList split_command(const QString& command);

signals:
  // A failed run the desktop should show (sent only while desktop
  // notifications are on). `status`: the run's final SyncStatus; `reason`
  // is empty when the status says it all.
  void notice(int camera_id, int status, const QString& outcome, const QString& reason);
  // A notify command ended, failed to start or was stopped at its time
  // limit; `problem` is empty when it exited with status 0.
  void commandDone(const QString& problem);

private:
  void on_run_ended(int camera_id);
  void run_command(const QStringList& words, const RunResult& run, const QString& outcome,
                   const QString& reason);
  void report(const QString& problem);

  SyncController& controller_;
  std::set<std::int32_t> told_;  // cameras whose failure was told this run
  std::function<std::string(const RunResult&)> reason_text_;
  int time_limit_ms_ = kCommandTimeLimitMs;
};

}  // namespace velmora
