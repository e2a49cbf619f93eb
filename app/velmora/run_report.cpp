#include "run_report.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>

#include "console.h"
#include "nvs_connection_res.h"
#include "printable_text.h"
#include "status_texts.h"
#include "window_messages.h"

namespace velmora {

namespace {

QString text(const std::string& s) { return QString::fromStdString(printable_text(s)); }

constexpr int kCameraPort = 9996;

}  // namespace

void put_json_line(std::FILE* out, const QJsonObject& object) {
  const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), out);
  std::fputc('\n', out);
  std::fflush(out);
}

QJsonObject camera_identity(const CameraRecord& r, const std::string& alias) {
  QJsonObject o;
  o["id"] = static_cast<qint64>(r.camera_id);
  o["kind"] = r.is_local ? "local" : "remote";
  if (r.is_local) {
    o["address"] = QString::fromStdString(address_text(r));
    o["port"] = kCameraPort;
  } else {
    o["server"] = text(field_text(r.server_address));
    o["port"] = NVSConnentionRES::kServerPort;
    o["user"] = text(field_text(r.user));
    o["serial"] = text(serial_of(r));
  }
  o["alias"] = text(alias);
  return o;
}

std::string camera_label(std::int32_t id, const CameraRecord* record, const std::string& alias) {
  QString name = QCoreApplication::translate("Console", "camera %1").arg(id);
  if (record) {
    const QString where =
        record->is_local ? QString::fromStdString(address_text(*record))
                         : QCoreApplication::translate("Console", "via server, serial %1")
                               .arg(QString::fromStdString(printable_text(serial_of(*record))));
    name += " (" + where + ")";
  }
  return alias.empty() ? name.toStdString()
                       : printable_text(alias) + " [" + name.toStdString() + "]";
}

QJsonObject camera_run_json(const RunResult& run, const std::string& alias) {
  QJsonObject o = run_to_json(run);
  o["type"] = "camera";
  o["alias"] = text(alias);
  o["error"] = text(run_error_text(run, /*machine=*/true));
  return o;
}

std::string local_time_text(std::int64_t seconds, bool with_offset) {
  const QDateTime t = QDateTime::fromSecsSinceEpoch(seconds);
  if (!with_offset) return t.toString("yyyy-MM-dd HH:mm:ss").toStdString();
  const int offset = t.offsetFromUtc();
  const int minutes = (offset < 0 ? -offset : offset) / 60;
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', minutes / 60,
                minutes % 60);
  return t.toString("yyyy-MM-ddTHH:mm:ss").toStdString() + zone;
}

namespace {

// The fixed English words JSON readers match on.
const char* status_word(std::int32_t status) {
  switch (status) {
    case STATUS_CONNECT_FAILED: return "connection failed";
    case STATUS_INTERRUPTED: return "connection interrupted";
    case STATUS_TIMED_OUT: return "timed out";
    case STATUS_LIVE_ELSEWHERE: return "in live view elsewhere";
    case STATUS_WRONG_PASSWORD: return "wrong password";
    case STATUS_DISK_FULL: return "disk full";
    default: return "failed";
  }
}

}  // namespace

std::string run_error_text(const RunResult& run, bool machine) {
  // A stop was asked for: nothing went wrong.
  if (run_ok(run) || run.status == STATUS_USER_STOPPED) return {};
  if (!run.error.empty()) return run.error;
  if (status_completes(run.status)) {
    return machine ? std::to_string(run.skipped) + " recording(s) skipped"
                   : QCoreApplication::translate("Console", "%n recording(s) skipped", nullptr,
                                                 run.skipped)
                         .toStdString();
  }
  if (run.status == STATUS_NONE) {
    return machine ? "the run did not finish"
                   : QCoreApplication::translate("Console", "the run did not finish").toStdString();
  }
  return machine ? status_word(run.status) : status_label(run.status).toStdString();
}

std::string remedy_text(const RunResult& run) {
  const std::string word = outcome_word(run);
  // A camera's wrong password is never retried; a server's refusal is (the
  // account may be fixed on the server's side).
  if (word == "wrong-password")
    return QCoreApplication::translate("Console",
                                       "not retried until it is fixed: velmora cameras set %1 "
                                       "password")
        .arg(run.camera_id)
        .toStdString();
  if (word == "server-login-refused")
    return QCoreApplication::translate("Console",
                                       "if the account's password changed: velmora cameras set "
                                       "%1 server-password")
        .arg(run.camera_id)
        .toStdString();
  return {};
}

std::string run_outcome_text(const RunResult& run) {
  if (run_ok(run)) {
    if (run.fetched == 0) return QCoreApplication::translate("Console", "up to date").toStdString();
    return QCoreApplication::translate("Console", "complete, %n new recording(s), %1", nullptr,
                                       run.fetched)
        .arg(QString::fromStdString(human_bytes(run.bytes)))
        .toStdString();
  }
  if (run.status == STATUS_USER_STOPPED) return status_label(run.status).toStdString();
  std::string text = run_error_text(run);
  if (const std::string fix = remedy_text(run); !fix.empty())
    text += QCoreApplication::translate("Console", "; ").toStdString() + fix;
  return text;
}

void put_last_run(QJsonObject& o, const RunResult* last) {
  if (!last) {
    o["last_outcome"] = QJsonValue();
    o["last_error"] = "";
    o["last_ended"] = QJsonValue();
    o["last_run"] = QJsonValue();
    return;
  }
  const QString error = QString::fromStdString(printable_text(run_error_text(*last, /*machine=*/true)));
  o["last_outcome"] = QString::fromStdString(outcome_word(*last));
  o["last_error"] = error;
  o["last_ended"] = last->ended > 0 ? QJsonValue(QString::fromStdString(local_time_text(last->ended, true)))
                                    : QJsonValue();
  QJsonObject run = run_to_json(*last);
  run["error"] = error;
  o["last_run"] = run;
}

}  // namespace velmora
