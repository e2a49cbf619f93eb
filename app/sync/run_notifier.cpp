#include "run_notifier.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTimer>

#include <cstdio>

#include "camera_record.h"
#include "sync_controller.h"
#include "window_messages.h"

namespace velmora {

namespace {

// What the user is told about: a run that ended without completing, for a
// reason of its own. A stop by hand and a camera the sibling holds are not
// failures.
bool worth_telling(const RunResult& r) {
  switch (r.status) {
    case STATUS_COMPLETE:
    case STATUS_USER_STOPPED:
    case STATUS_LIVE_ELSEWHERE:
    case STATUS_NONE:
      return false;
    default:
      return true;
  }
}

const char* kDeadline = "velmoraDeadline";

}  // namespace

RunNotifier::RunNotifier(SyncController& controller) : controller_(controller) {
  connect(&controller_, &SyncController::runEnded, this, &RunNotifier::on_run_ended);
  // A start by hand or by the automatic timer begins a new run; a retry
  // does not.
  connect(&controller_, &SyncController::runRequested, this,
          [this](int camera_id) { told_.erase(camera_id); });
}

RunNotifier::~RunNotifier() {
  for (QProcess* p : findChildren<QProcess*>()) {
    if (p->state() == QProcess::NotRunning) continue;
    const qint64 left = p->property(kDeadline).toLongLong() - QDateTime::currentMSecsSinceEpoch();
    if (left <= 0 || !p->waitForFinished(static_cast<int>(left))) {
      p->kill();
      p->waitForFinished(1000);
    }
  }
}

QStringList RunNotifier::split_command(const QString& command) {
  return QProcess::splitCommand(command);
}

void RunNotifier::on_run_ended(int camera_id) {
  const RunResult* run = controller_.last_run(camera_id);
  if (run == nullptr) return;
  if (!worth_telling(*run)) {
    if (run_ok(*run)) told_.erase(camera_id);
    return;
  }
  if (!told_.insert(camera_id).second) return;  // a retry that failed again
  const QString outcome = QString::fromStdString(outcome_word(*run));
  const SystemSettings& settings = controller_.settings();
  if (settings.notify_desktop)
    emit notice(camera_id, run->status, outcome, QString::fromStdString(run->error));
  std::string reason = run->error;
  if (reason.empty()) reason = reason_text_ ? reason_text_(*run) : outcome_word(*run);
  if (!settings.notify_command.empty()) {
    const QStringList words = split_command(QString::fromStdString(settings.notify_command));
    if (!words.isEmpty()) run_command(words, *run, outcome, QString::fromStdString(reason));
  }
}

void RunNotifier::run_command(const QStringList& words, const RunResult& run,
                              const QString& outcome, const QString& reason) {
  const std::int32_t id = run.camera_id;
  // The alias when there is one, else where the camera is reached.
  QString name = QString::fromStdString(controller_.alias_of(id));
  if (name.isEmpty()) {
    auto it = controller_.cameras().find(id);
    if (it != controller_.cameras().end())
      name = QString::fromStdString(it->second.is_local ? address_text(it->second)
                                                        : serial_of(it->second));
  }
  auto* p = new QProcess(this);
  p->setProgram(words.front());
  p->setArguments(words.mid(1) << QString::number(id) << outcome << reason << name);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VELMORA_CAMERA", QString::number(id));
  env.insert("VELMORA_CAMERA_NAME", name);
  env.insert("VELMORA_OUTCOME", outcome);
  env.insert("VELMORA_REASON", reason);
  p->setProcessEnvironment(env);
  // Its output must never mix into ours (standard output may carry JSON
  // lines); what it says on standard error goes to the log with ours.
  p->setStandardInputFile(QProcess::nullDevice());
  p->setStandardOutputFile(QProcess::nullDevice());
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->setProperty(kDeadline, QDateTime::currentMSecsSinceEpoch() + time_limit_ms_);
  const QString program = words.front();
  const int limit_s = (time_limit_ms_ + 999) / 1000;
  auto* timer = new QTimer(p);
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, p, [this, p, program, limit_s] {
    if (p->state() == QProcess::NotRunning) return;
    p->setProperty("velmoraStopped", true);
    report(QCoreApplication::translate("Console",
                                       "the notify command %1 did not end within %2 s; stopped")
               .arg(program)
               .arg(limit_s));
    p->kill();
  });
  connect(p, &QProcess::errorOccurred, this, [this, p, program](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    report(QCoreApplication::translate("Console", "cannot start the notify command %1: %2")
               .arg(program, p->errorString()));
    p->deleteLater();
  });
  connect(p, &QProcess::finished, this,
          [this, p, program](int code, QProcess::ExitStatus status) {
            if (p->property("velmoraStopped").toBool()) {
              // Already reported.
            } else if (status != QProcess::NormalExit) {
              report(QCoreApplication::translate("Console",
                                                 "the notify command %1 ended abnormally")
                         .arg(program));
            } else if (code != 0) {
              report(QCoreApplication::translate("Console",
                                                 "the notify command %1 ended with status %2")
                         .arg(program)
                         .arg(code));
            } else {
              emit commandDone(QString());
            }
            p->deleteLater();
          });
  p->start();
  timer->start(time_limit_ms_);
}

void RunNotifier::report(const QString& problem) {
  // Never fatal: the run it tells about is over and recorded either way.
  std::fprintf(stderr, "velmora: %s\n", qUtf8Printable(problem));
  std::fflush(stderr);
  emit commandDone(problem);
}

}  // namespace velmora
