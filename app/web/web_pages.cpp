#include "web_pages.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cstdio>

#include "download_rate.h"
#include "run_report.h"

namespace velmora {

namespace {

QString esc(const QString& s) { return s.toHtmlEscaped(); }

// The texts of one answer, in its visitor's language.
struct Texts {
  WebLanguage language;
  QString operator()(const char* source) const { return web_text(language, source); }
  QByteArray html(const char* source) const { return esc(web_text(language, source)).toUtf8(); }
};

// As velmora.js writes them (it gets the units from the table's data-t-*).
QString bytes_text(double bytes, const Texts& t) {
  if (bytes >= 1024.0 * 1024.0 * 1024.0)
    return QString::number(bytes / (1024.0 * 1024.0 * 1024.0), 'f', 1) + " GB";
  if (bytes >= 1024.0 * 1024.0) return QString::number(bytes / (1024.0 * 1024.0), 'f', 1) + " MB";
  if (bytes >= 10.0 * 1024.0) return QString::number(bytes / 1024.0, 'f', 1) + " KB";
  return t(QT_TRANSLATE_NOOP("Web", "%1 bytes")).arg(static_cast<qint64>(bytes));
}

QString seconds_text(qint64 s, const Texts& t) {
  if (s < 0) return {};
  if (s < 60) return t(QT_TRANSLATE_NOOP("Web", "%1 s")).arg(s);
  if (s < 3600) return t(QT_TRANSLATE_NOOP("Web", "%1 min %2 s")).arg(s / 60).arg(s % 60);
  return t(QT_TRANSLATE_NOOP("Web", "%1 h %2 min")).arg(s / 3600).arg(s % 3600 / 60);
}

QString where_text(const QJsonObject& c, const Texts& t) {
  if (c["kind"].toString() == "local") return c["address"].toString();
  return t(QT_TRANSLATE_NOOP("Web", "%1 via %2"))
      .arg(c["serial"].toString(), c["server"].toString());
}

QString name_text(const QJsonObject& c, const Texts& t) {
  const QString alias = c["alias"].toString();
  return alias.isEmpty() ? t(QT_TRANSLATE_NOOP("Web", "camera %1")).arg(c["id"].toInteger())
                         : alias;
}

// The machine words of states and outcomes, as the JSON has them; a page
// in English shows them as they are.
const char* const kWords[] = {
    QT_TRANSLATE_NOOP("Web", "idle"),
    QT_TRANSLATE_NOOP("Web", "waiting"),
    QT_TRANSLATE_NOOP("Web", "connecting"),
    QT_TRANSLATE_NOOP("Web", "syncing"),
    QT_TRANSLATE_NOOP("Web", "retry-wait"),
    QT_TRANSLATE_NOOP("Web", "failed"),
    QT_TRANSLATE_NOOP("Web", "complete"),
    QT_TRANSLATE_NOOP("Web", "stopped"),
    QT_TRANSLATE_NOOP("Web", "up-to-date"),
    QT_TRANSLATE_NOOP("Web", "server-unreachable"),
    QT_TRANSLATE_NOOP("Web", "server-login-refused"),
    QT_TRANSLATE_NOOP("Web", "camera-not-in-account"),
    QT_TRANSLATE_NOOP("Web", "write-failed"),
    QT_TRANSLATE_NOOP("Web", "connection-failed"),
    QT_TRANSLATE_NOOP("Web", "connection-interrupted"),
    QT_TRANSLATE_NOOP("Web", "timed-out"),
    QT_TRANSLATE_NOOP("Web", "live-elsewhere"),
    QT_TRANSLATE_NOOP("Web", "wrong-password"),
    QT_TRANSLATE_NOOP("Web", "disk-full"),
    QT_TRANSLATE_NOOP("Web", "not-finished"),
};

QString word_text(const QString& word, const Texts& t) {
  for (const char* w : kWords)
    if (word == QLatin1String(w)) return t(w);
  return word;
}

// The same words for velmora.js, as a JSON object in an attribute.
QByteArray words_json(const Texts& t) {
  QJsonObject o;
  for (const char* w : kWords) o[QLatin1String(w)] = t(w);
  return esc(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact))).toUtf8();
}

QString outcome_text(const QJsonObject& c, const Texts& t) {
  if (c["last_outcome"].isNull()) return t(QT_TRANSLATE_NOOP("Web", "no run yet"));
  const QString error = c["last_error"].toString();
  return word_text(c["last_outcome"].toString(), t) + (error.isEmpty() ? QString() : ": " + error);
}

// `refresh`: the page loads itself again every 2 s (no script needed).
QByteArray head(const QString& title, const Texts& t, bool refresh = false) {
  return ("<!DOCTYPE html>\n<html lang=\"" + QString::fromLatin1(web_language_tag(t.language)) +
          "\"><head><meta charset=\"utf-8\">" +
          (refresh ? "<meta http-equiv=\"refresh\" content=\"2\">" : "") +
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
  const Texts t{context.language};
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
         esc(name_text(c, t)).toUtf8() + "</a></td>";
  cell("where", where_text(c, t));
  cell("state", word_text(state, t));
  cell("file", live["file"].toString());
  out += "<td class=\"progress\"><progress max=\"100\" value=\"" +
         QByteArray::number(live["percent"].toInt()) + "\">" +
         QByteArray::number(live["percent"].toInt()) + "%</progress></td>";
  cell("speed", speed > 0 ? bytes_text(speed, t) + "/s" : QString());
  cell("eta", seconds_text(live["eta"].toInteger(-1), t));
  cell("files", QString("%1/%2").arg(live["done"].toInt()).arg(live["total"].toInt()));
  cell("success", c["last_completed"].isNull() ? t(QT_TRANSLATE_NOOP("Web", "never"))
                                               : c["last_completed"].toString());
  cell("outcome", outcome_text(c, t));
  out += "<td class=\"actions\">" +
         action("/api/camera/" + QString::number(id) + (busy ? "/stop" : "/start"),
                busy ? t(QT_TRANSLATE_NOOP("Web", "Stop")) : t(QT_TRANSLATE_NOOP("Web", "Start")),
                context) +
         "</td></tr>\n";
  return out;
}

const char* const kIntervals[] = {
    QT_TRANSLATE_NOOP("Web", "off"),         QT_TRANSLATE_NOOP("Web", "every 10 minutes"),
    QT_TRANSLATE_NOOP("Web", "every 30 minutes"), QT_TRANSLATE_NOOP("Web", "every hour"),
    QT_TRANSLATE_NOOP("Web", "every 2 hours"), QT_TRANSLATE_NOOP("Web", "every 4 hours"),
    QT_TRANSLATE_NOOP("Web", "every 12 hours"), QT_TRANSLATE_NOOP("Web", "every day"),
    QT_TRANSLATE_NOOP("Web", "every week"),
};

QByteArray settings_section(const ShownSettings& s, const Texts& t) {
  QByteArray out = "<h2>" + t.html(QT_TRANSLATE_NOOP("Web", "Settings")) +
                   "</h2>\n<table id=\"settings\"><tbody>\n";
  auto line = [&](const char* name, const QString& value) {
    out += "<tr><th>" + t.html(name) + "</th><td>" + esc(value).toUtf8() + "</td></tr>\n";
  };
  const bool known = s.interval_code >= 0 && s.interval_code < 9;
  line(QT_TRANSLATE_NOOP("Web", "Automatic synchronisation"),
       known ? t(kIntervals[s.interval_code]) : QString::number(s.interval_code));
  line(QT_TRANSLATE_NOOP("Web", "Cameras at once"), QString::number(s.concurrency));
  line(QT_TRANSLATE_NOOP("Web", "Speed limit per camera"),
       s.pacing_ms <= 0 ? t(QT_TRANSLATE_NOOP("Web", "none"))
                        : QString::fromStdString(rate_text(pacing_rate(s.pacing_ms))));
  line(QT_TRANSLATE_NOOP("Web", "Free space kept"),
       s.min_free_bytes <= 0 ? t(QT_TRANSLATE_NOOP("Web", "not checked"))
                             : bytes_text(static_cast<double>(s.min_free_bytes), t));
  line(QT_TRANSLATE_NOOP("Web", "Recordings kept"),
       s.keep_days <= 0 ? t(QT_TRANSLATE_NOOP("Web", "for ever"))
                        : t(QT_TRANSLATE_NOOP("Web", "%1 days")).arg(s.keep_days));
  line(QT_TRANSLATE_NOOP("Web", "Download folder"), s.download_folder);
  if (s.free_bytes >= 0)
    line(QT_TRANSLATE_NOOP("Web", "Free space there"), bytes_text(static_cast<double>(s.free_bytes), t));
  out += "</tbody></table>\n<p class=\"note\">" +
         t.html(QT_TRANSLATE_NOOP("Web", "Settings are changed with \"velmora settings\" on the "
                                         "service's machine or in the window.")) +
         "</p>\n";
  return out;
}

QByteArray foot() { return "</body></html>\n"; }

QByteArray table_head(const Texts& t) {
  // The words the script writes into the cells, in the page's language.
  auto data = [&](const char* name, const char* source) {
    return QByteArray(" data-t-") + name + "=\"" + t.html(source) + "\"";
  };
  return "<table id=\"cameras\" data-words=\"" + words_json(t) + "\"" + data("never", QT_TRANSLATE_NOOP("Web", "never")) +
         data("norun", QT_TRANSLATE_NOOP("Web", "no run yet")) +
         data("bytes", QT_TRANSLATE_NOOP("Web", "%1 bytes")) +
         data("s", QT_TRANSLATE_NOOP("Web", "%1 s")) +
         data("min", QT_TRANSLATE_NOOP("Web", "%1 min %2 s")) +
         data("h", QT_TRANSLATE_NOOP("Web", "%1 h %2 min")) + "><thead><tr><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Camera")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Address or serial")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "State")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Current file")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Progress")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Speed")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Time left")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Files")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Last success")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Last outcome")) +
         "</th><th></th></tr></thead><tbody>\n";
}

}  // namespace

QByteArray cameras_page(const std::vector<QJsonObject>& cameras, const PageContext& context) {
  const Texts t{context.language};
  QByteArray out = head("Velmora", t);
  out += "<header><h1>Velmora</h1>" +
         action("/api/sync", t(QT_TRANSLATE_NOOP("Web", "Sync all now")), context);
  if (context.signed_in) out += action("/logout", t(QT_TRANSLATE_NOOP("Web", "Sign out")), context);
  out += "</header>\n";
  if (cameras.empty()) out += "<p>" + t.html(QT_TRANSLATE_NOOP("Web", "No cameras configured.")) + "</p>\n";
  out += table_head(t);
  for (const QJsonObject& c : cameras) out += row(c, context);
  out += "</tbody></table>\n";
  if (context.settings) out += settings_section(*context.settings, t);
  out += foot();
  return out;
}

QByteArray camera_page(const QJsonObject& camera, const std::vector<RunResult>& runs,
                       const PageContext& context) {
  const Texts t{context.language};
  QByteArray out = head(name_text(camera, t) + " - Velmora", t);
  out += "<header><h1>" + esc(name_text(camera, t)).toUtf8() + "</h1><a href=\"/\">" +
         t.html(QT_TRANSLATE_NOOP("Web", "All cameras")) + "</a> <a href=\"/camera/" +
         QByteArray::number(camera["id"].toInteger()) + "/card\">" +
         t.html(QT_TRANSLATE_NOOP("Web", "On the card versus on disk")) + "</a></header>\n" +
         table_head(t) +
         row(camera, context) + "</tbody></table>\n<h2>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Runs of the last 30 days")) + "</h2>\n";
  if (runs.empty()) {
    out += "<p>" + t.html(QT_TRANSLATE_NOOP("Web", "No runs in the last 30 days.")) + "</p>\n";
  } else {
    out += "<table id=\"runs\"><thead><tr><th>" + t.html(QT_TRANSLATE_NOOP("Web", "Ended")) +
           "</th><th>" + t.html(QT_TRANSLATE_NOOP("Web", "Outcome")) + "</th><th>" +
           t.html(QT_TRANSLATE_NOOP("Web", "Files")) + "</th><th>" +
           t.html(QT_TRANSLATE_NOOP("Web", "Bytes")) + "</th><th>" +
           t.html(QT_TRANSLATE_NOOP("Web", "Duration")) + "</th><th>" +
           t.html(QT_TRANSLATE_NOOP("Web", "Reason")) + "</th></tr></thead><tbody>\n";
    for (const RunResult& r : runs) {
      out += "<tr><td>" + esc(QString::fromStdString(local_time_text(r.ended, false))).toUtf8() +
             "</td><td>" + esc(word_text(QString::fromStdString(outcome_word(r)), t)).toUtf8() + "</td><td>" +
             QByteArray::number(r.fetched) + "/" + QByteArray::number(r.queued) + "</td><td>" +
             esc(bytes_text(static_cast<double>(r.bytes), t)).toUtf8() + "</td><td>" +
             esc(seconds_text(static_cast<qint64>(r.seconds), t)).toUtf8() + "</td><td>" +
             esc(QString::fromStdString(run_error_text(r, /*machine=*/true))).toUtf8() +
             "</td></tr>\n";
    }
    out += "</tbody></table>\n";
  }
  out += foot();
  return out;
}

QByteArray card_page(const QJsonObject& camera, const CardListing& listing, bool busy,
                     const PageContext& context) {
  const Texts t{context.language};
  const QByteArray id = QByteArray::number(camera["id"].toInteger());
  QByteArray out = head(name_text(camera, t) + " - Velmora", t, listing.asking);
  out += "<header><h1>" + esc(name_text(camera, t)).toUtf8() + "</h1><a href=\"/camera/" + id +
         "\">" + t.html(QT_TRANSLATE_NOOP("Web", "Runs")) + "</a> <a href=\"/\">" +
         t.html(QT_TRANSLATE_NOOP("Web", "All cameras")) + "</a></header>\n<h2>" +
         t.html(QT_TRANSLATE_NOOP("Web", "On the card versus on disk")) + "</h2>\n";
  auto para = [&](const char* cls, const QString& text) {
    out += QByteArray("<p class=\"") + cls + "\">" + esc(text).toUtf8() + "</p>\n";
  };
  if (listing.asking) {
    para("note", t(QT_TRANSLATE_NOOP("Web", "Asking the camera…")));
  } else if (busy) {
    para("note", t(QT_TRANSLATE_NOOP("Web", "A run is under way: ask when it has ended.")));
  } else {
    out += action("/camera/" + QString::fromLatin1(id) + "/card",
                  listing.asked_ms ? t(QT_TRANSLATE_NOOP("Web", "Ask again"))
                                   : t(QT_TRANSLATE_NOOP("Web", "Ask the camera")),
                  context);
  }
  if (listing.asking || !listing.asked_ms) return out + foot();
  using Failure = CardListing::Failure;
  if (listing.failure == Failure::Said) para("error", listing.error);
  if (listing.failure == Failure::NotStarted)
    para("error", t(QT_TRANSLATE_NOOP("Web", "The question could not be started.")));
  if (listing.failure == Failure::NoAnswer)
    para("error", t(QT_TRANSLATE_NOOP("Web", "The camera did not answer in time.")));
  if (listing.failure != Failure::None) return out + foot();

  const QJsonObject& s = listing.summary;
  para("summary", t(QT_TRANSLATE_NOOP("Web", "%1 recordings on the card; %2 to download (%3)."))
                        .arg(s["recordings"].toInt())
                        .arg(s["to_download"].toInt())
                        .arg(bytes_text(s["bytes_to_download"].toDouble(), t)));
  if (listing.recordings.empty()) return out + foot();
  out += "<table id=\"card\"><thead><tr><th>" + t.html(QT_TRANSLATE_NOOP("Web", "Recording")) +
         "</th><th>" + t.html(QT_TRANSLATE_NOOP("Web", "Kind")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Size")) + "</th><th>" +
         t.html(QT_TRANSLATE_NOOP("Web", "On disk")) + "</th></tr></thead><tbody>\n";
  for (const QJsonObject& r : listing.recordings) {
    const QString state = r["state"].toString();
    QString shown = state;
    if (state == "on-disk") shown = t(QT_TRANSLATE_NOOP("Web", "yes"));
    if (state == "missing") shown = t(QT_TRANSLATE_NOOP("Web", "no"));
    if (state == "partial")
      shown = t(QT_TRANSLATE_NOOP("Web", "partly (%1)"))
                  .arg(bytes_text(r["bytes_present"].toDouble(), t));
    if (state == "unsafe-name") shown = t(QT_TRANSLATE_NOOP("Web", "never: its name is unsafe"));
    out += "<tr class=\"" + esc(state).toUtf8() + "\"><td>" + esc(r["name"].toString()).toUtf8() +
           "</td><td>" + esc(r["kind"].toString()).toUtf8() + "</td><td>" +
           esc(bytes_text(r["size"].toDouble(), t)).toUtf8() + "</td><td>" + esc(shown).toUtf8() +
           "</td></tr>\n";
  }
  return out + "</tbody></table>\n" + foot();
}

QByteArray login_page(const QString& message, WebLanguage language) {
  const Texts t{language};
  QByteArray out = head(t(QT_TRANSLATE_NOOP("Web", "Sign in - Velmora")), t);
  out += "<h1>Velmora</h1>\n";
  if (!message.isEmpty()) out += "<p class=\"error\">" + esc(message).toUtf8() + "</p>\n";
  out += "<form method=\"post\" action=\"/login\"><label>" +
         t.html(QT_TRANSLATE_NOOP("Web", "Password")) +
         " <input type=\"password\" name=\"password\" autofocus required></label> "
         "<button type=\"submit\">" +
         t.html(QT_TRANSLATE_NOOP("Web", "Sign in")) + "</button></form>\n" + foot();
  return out;
}

QByteArray message_page(const QString& title, const QString& text, WebLanguage language) {
  const Texts t{language};
  return head(title, t) + "<h1>" + esc(title).toUtf8() + "</h1><p>" + esc(text).toUtf8() +
         "</p><p><a href=\"/\">" + t.html(QT_TRANSLATE_NOOP("Web", "Back")) + "</a></p>\n" +
         foot();
}

}  // namespace velmora
