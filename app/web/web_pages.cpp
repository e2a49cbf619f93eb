#include "web_pages.h"

#include <QJsonValue>

#include <cstdio>

#include "run_report.h"

namespace velmora {

namespace {

QString esc(const QString& s) { return s.toHtmlEscaped(); }

// As velmora.js writes them.
QString bytes_text(double bytes) {
  if (bytes >= 1024.0 * 1024.0) return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + " MB";
  if (bytes >= 10.0 * 1024.0) return QString::number(bytes / 1024.0, 'f', 1) + " KB";
  return QString::number(static_cast<qint64>(bytes)) + " bytes";
}

QString seconds_text(qint64 s) {
  if (s < 0) return {};
  if (s < 60) return QString("%1 s").arg(s);
  if (s < 3600) return QString("%1 min %2 s").arg(s / 60).arg(s % 60);
  return QString("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
}

QString where_text(const QJsonObject& c) {
  if (c["kind"].toString() == "local") return c["address"].toString();
  return c["serial"].toString() + " via " + c["server"].toString();
}

QString name_text(const QJsonObject& c) {
  const QString alias = c["alias"].toString();
  return alias.isEmpty() ? "camera " + QString::number(c["id"].toInteger()) : alias;
}

QString outcome_text(const QJsonObject& c) {
  if (c["last_outcome"].isNull()) return "no run yet";
  const QString error = c["last_error"].toString();
  return c["last_outcome"].toString() + (error.isEmpty() ? QString() : ": " + error);
}

QByteArray head(const QString& title) {
  return ("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
          "<title>" + esc(title) + "</title>"
          "<link rel=\"stylesheet\" href=\"/static/velmora.css\">"
          "<script src=\"/static/velmora.js\" defer></script></head><body>\n")
      .toUtf8();
}

QByteArray action(const QString& path, const QString& label, const PageContext& context) {
  return ("<form method=\"post\" action=\"" + esc(path) + "\">"
          "<input type=\"hidden\" name=\"token\" value=\"" + esc(QString::fromLatin1(context.token)) +
          "\"><button type=\"submit\">" + esc(label) + "</button></form>")
      .toUtf8();
}

QByteArray row(const QJsonObject& c, const PageContext& context) {
  const QJsonObject live = c["live"].toObject();
  const qint64 id = c["id"].toInteger();
  const QString state = live["state"].toString();
  const bool busy = state == "waiting" || state == "connecting" || state == "syncing";
  const double speed = live["speed"].toDouble();
  QByteArray out = "<tr id=\"camera-" + QByteArray::number(id) + "\" data-id=\"" +
                   QByteArray::number(id) + "\">";
  auto cell = [&](const char* cls, const QString& text) {
    out += QByteArray("<td class=\"") + cls + "\">" + esc(text).toUtf8() + "</td>";
  };
  out += "<td class=\"name\"><a href=\"/camera/" + QByteArray::number(id) + "\">" +
         esc(name_text(c)).toUtf8() + "</a></td>";
  cell("where", where_text(c));
  cell("state", state);
  cell("file", live["file"].toString());
  out += "<td class=\"progress\"><progress max=\"100\" value=\"" +
         QByteArray::number(live["percent"].toInt()) + "\">" +
         QByteArray::number(live["percent"].toInt()) + "%</progress></td>";
  cell("speed", speed > 0 ? bytes_text(speed) + "/s" : QString());
  cell("eta", seconds_text(live["eta"].toInteger(-1)));
  cell("files", QString("%1/%2").arg(live["done"].toInt()).arg(live["total"].toInt()));
  cell("success", c["last_completed"].isNull() ? QString("never") : c["last_completed"].toString());
  cell("outcome", outcome_text(c));
  out += "<td class=\"actions\">" +
         action("/api/camera/" + QString::number(id) + (busy ? "/stop" : "/start"),
                busy ? "Stop" : "Start", context) +
         "</td></tr>\n";
  return out;
}

QByteArray foot() { return "</body></html>\n"; }

QByteArray table_head() {
  return "<table id=\"cameras\"><thead><tr><th>Camera</th><th>Address or serial</th>"
         "<th>State</th><th>Current file</th><th>Progress</th><th>Speed</th><th>Time left</th>"
         "<th>Files</th><th>Last success</th><th>Last outcome</th><th></th></tr></thead><tbody>\n";
}

}  // namespace

QByteArray cameras_page(const std::vector<QJsonObject>& cameras, const PageContext& context) {
  QByteArray out = head("Velmora");
  out += "<header><h1>Velmora</h1>" + action("/api/sync", "Sync all now", context);
  if (context.signed_in) out += action("/logout", "Sign out", context);
  out += "</header>\n";
  if (cameras.empty()) out += "<p>No cameras configured.</p>\n";
  out += table_head();
  for (const QJsonObject& c : cameras) out += row(c, context);
  out += "</tbody></table>\n" + foot();
  return out;
}

QByteArray camera_page(const QJsonObject& camera, const std::vector<RunResult>& runs,
                       const PageContext& context) {
  QByteArray out = head(name_text(camera) + " - Velmora");
  out += "<header><h1>" + esc(name_text(camera)).toUtf8() +
         "</h1><a href=\"/\">All cameras</a></header>\n" + table_head() + row(camera, context) +
         "</tbody></table>\n<h2>Runs of the last 30 days</h2>\n";
  if (runs.empty()) {
    out += "<p>No runs in the last 30 days.</p>\n";
  } else {
    out += "<table id=\"runs\"><thead><tr><th>Ended</th><th>Outcome</th><th>Files</th>"
           "<th>Bytes</th><th>Duration</th><th>Reason</th></tr></thead><tbody>\n";
    for (const RunResult& r : runs) {
      out += "<tr><td>" + esc(QString::fromStdString(local_time_text(r.ended, false))).toUtf8() +
             "</td><td>" + esc(QString::fromStdString(outcome_word(r))).toUtf8() + "</td><td>" +
             QByteArray::number(r.fetched) + "/" + QByteArray::number(r.queued) + "</td><td>" +
             esc(bytes_text(static_cast<double>(r.bytes))).toUtf8() + "</td><td>" +
             esc(seconds_text(static_cast<qint64>(r.seconds))).toUtf8() + "</td><td>" +
             esc(QString::fromStdString(run_error_text(r, /*machine=*/true))).toUtf8() +
             "</td></tr>\n";
    }
    out += "</tbody></table>\n";
  }
  out += foot();
  return out;
}

QByteArray login_page(const QString& message) {
  QByteArray out = head("Sign in - Velmora");
  out += "<h1>Velmora</h1>\n";
  if (!message.isEmpty()) out += "<p class=\"error\">" + esc(message).toUtf8() + "</p>\n";
  out += "<form method=\"post\" action=\"/login\"><label>Password "
         "<input type=\"password\" name=\"password\" autofocus required></label> "
         "<button type=\"submit\">Sign in</button></form>\n" +
         foot();
  return out;
}

QByteArray message_page(const QString& title, const QString& text) {
  return head(title) + "<h1>" + esc(title).toUtf8() + "</h1><p>" + esc(text).toUtf8() +
         "</p><p><a href=\"/\">Back</a></p>\n" + foot();
}

}  // namespace velmora
