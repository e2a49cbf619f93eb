#include "web_server.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QUrlQuery>

#include <cstring>
#include <vector>

#include "disk_space.h"
#include "live_snapshot.h"
#include "password_hash.h"
#include "run_report.h"
#include "web_metrics.h"
#include "web_pages.h"
#include "web_texts.h"

// The script and style sheet are compiled into this static library; its
// resource initialiser has to be referenced, or the linker drops it.
static void init_web_resources() { Q_INIT_RESOURCE(web); }

namespace velmora {

namespace {

using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

constexpr const char* kCookie = "velmora_session";
constexpr std::int64_t kRunDays = 30;

QByteArray cookie_of(const QHttpServerRequest& request) {
  const QList<QByteArray> parts = request.value("Cookie").split(';');
  for (const QByteArray& part : parts) {
    const QByteArray p = part.trimmed();
    if (p.startsWith(QByteArray(kCookie) + "=")) return p.mid(qsizetype(std::strlen(kCookie)) + 1);
  }
  return {};
}

QByteArray session_cookie(const QByteArray& value) {
  return QByteArray(kCookie) + "=" + value + "; Path=/; HttpOnly; SameSite=Strict";
}

// A camera id as decimal text, strictly.
bool parse_id(const QString& text, std::int32_t& id) {
  bool ok = false;
  if (text.isEmpty() || text.size() > 11 || text.startsWith('+')) return false;
  const qint64 v = text.toLongLong(&ok);
  if (!ok || v < INT32_MIN || v > INT32_MAX) return false;
  id = static_cast<std::int32_t>(v);
  return true;
}

bool is_form(const QHttpServerRequest& request) {
  return request.value("Content-Type").startsWith("application/x-www-form-urlencoded");
}

WebLanguage language_of(const QHttpServerRequest& request) {
  return web_language(request.value("Accept-Language"));
}

// The camera of "/camera/<id>/card" or "/api/camera/<id>/card"; false for
// any other path.
bool card_path(const QString& path, std::int32_t& id) {
  if (!path.endsWith("/card")) return false;
  const qsizetype at = path.startsWith("/camera/") ? 8 : path.startsWith("/api/camera/") ? 12 : -1;
  return at > 0 && parse_id(path.mid(at, path.size() - at - 5), id);
}

QJsonObject card_json(std::int32_t id, const CardListing& l, bool busy) {
  static const char* const kFailures[] = {"", "said", "not-started", "no-answer"};
  QJsonObject o;
  o["camera"] = id;
  o["asking"] = l.asking;
  o["busy"] = busy;
  o["asked"] = l.asked_ms ? QJsonValue(QDateTime::fromMSecsSinceEpoch(l.asked_ms)
                                           .toOffsetFromUtc(0)
                                           .toString(Qt::ISODate))
                          : QJsonValue();
  QJsonArray recordings;
  for (const QJsonObject& r : l.recordings) recordings.append(r);
  o["recordings"] = recordings;
  o["summary"] = l.summary.isEmpty() ? QJsonValue() : QJsonValue(l.summary);
  o["failure"] = l.failure == CardListing::Failure::None
                     ? QJsonValue()
                     : QJsonValue(kFailures[static_cast<int>(l.failure)]);
  o["error"] = l.error.isEmpty() ? QJsonValue() : QJsonValue(l.error);
  return o;
}

QByteArray form_value(const QHttpServerRequest& request, const QString& name) {
  if (!is_form(request)) return {};
  const QUrlQuery form(QString::fromUtf8(request.body()));
  return form.queryItemValue(name, QUrl::FullyDecoded).toUtf8();
}

}  // namespace

struct WebServer::Answer {
  Status status = Status::Ok;
  QByteArray type = "text/html; charset=utf-8";
  QByteArray body;
  QByteArray location;    // a redirect's target
  QByteArray set_cookie;  // a new session
  Answer() = default;
  Answer(Status s, QByteArray t, QByteArray b) : status(s), type(std::move(t)), body(std::move(b)) {}
  static Answer json(const QJsonDocument& d, Status s = Status::Ok) {
    return {s, "application/json", d.toJson(QJsonDocument::Compact)};
  }
  static Answer error(Status s, const char* word) {
    QJsonObject o;
    o["error"] = word;
    return json(QJsonDocument(o), s);
  }
  static Answer redirect(const QByteArray& to) {
    Answer a(Status::SeeOther, "text/plain; charset=utf-8", {});
    a.location = to;
    return a;
  }
};

WebConfig web_start_config(const AppPaths& paths, const std::string& web_arg,
                           std::string& error) {
  WebConfig config = load_web_config(web_config_file(paths));
  if (web_arg == "off") {
    config.listen = WebListen{};
  } else if (!web_arg.empty()) {
    const std::string why = parse_web_listen(web_arg, config.listen);
    if (!why.empty()) {
      error = "--web: " + why;
      return config;
    }
  }
  error = web_refusal(config);
  return config;
}

void web_page_started(WebServer& server, const WebConfig& config, std::FILE* out) {
  std::string error;
  const std::uint16_t port = server.listen(error);
  if (port == 0) {
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate("Console", "warning: the web page is not served: %1")
                                    .arg(QString::fromStdString(error))));
    return;
  }
  WebListen at = config.listen;
  at.port = port;
  const QString url = "http://" + QString::fromStdString(web_listen_text(at)) + "/";
  std::fprintf(out, "%s\n",
               qUtf8Printable(config.password_hash.empty()
                                  ? QCoreApplication::translate("Console", "Web page at %1").arg(url)
                                  : QCoreApplication::translate("Console", "Web page at %1 (sign in with the web password)")
                                        .arg(url)));
}

WebServer::WebServer(SyncController& controller, WebConfig config, Log log, QObject* parent)
    : QObject(parent),
      controller_(controller),
      config_(std::move(config)),
      log_(std::move(log)),
      state_(controller),
      card_listings_(QCoreApplication::applicationFilePath()),
      basic_key_(random_bytes(32)) {
  init_web_resources();
  connect(&controller_, &SyncController::runEnded, this, [this](int id) {
    if (const RunResult* run = controller_.last_run(id)) state_.count(*run);
  });
  // Every request comes here: one place decides its answer and its headers.
  server_.setMissingHandler([this](const QHttpServerRequest& request,
                                   QHttpServerResponder&& responder) {
    handle(request, std::move(responder));
  });
}

WebServer::~WebServer() = default;

std::uint16_t WebServer::listen(std::string& error) {
  if (!web_refusal(config_).empty()) {  // never bound without a password
    error = web_refusal(config_);
    return 0;
  }
  const quint16 port =
      server_.listen(QHostAddress(QString::fromStdString(config_.listen.address)),
                     config_.listen.port);
  if (port == 0) error = "cannot listen on " + web_listen_text(config_.listen);
  return port;
}

bool WebServer::run_under_way(std::int32_t id) const {
  const QString state = live_to_json(controller_.live(id))["state"].toString();
  return state == "waiting" || state == "connecting" || state == "syncing";
}

bool WebServer::host_allowed(const QHttpServerRequest& request) const {
  // Without a password only a name that cannot be rebound to another
  // machine is accepted, so that a web site whose name a resolver points at
  // this host cannot read the page or take its token.
  if (!config_.password_hash.empty()) return true;
  QByteArray host = request.value("Host");
  if (host.startsWith('[')) {
    const qsizetype end = host.indexOf(']');
    host = end > 0 ? host.mid(1, end - 1) : QByteArray();
  } else if (const qsizetype colon = host.lastIndexOf(':'); colon >= 0) {
    host = host.left(colon);
  }
  if (host.compare("localhost", Qt::CaseInsensitive) == 0) return true;
  QHostAddress address;
  return address.setAddress(QString::fromLatin1(host));
}

bool WebServer::basic_auth_ok(const QHttpServerRequest& request) {
  const QByteArray header = request.value("Authorization");
  if (!header.startsWith("Basic ") || config_.password_hash.empty()) return false;
  const QByteArray mac = hmac_sha256(basic_key_, header);
  if (!accepted_basic_.isEmpty() && same_bytes(mac, accepted_basic_)) return true;
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  if (sessions_.login_wait_ms(now) > 0) return false;
  const QByteArray decoded = QByteArray::fromBase64(header.mid(6));
  const qsizetype colon = decoded.indexOf(':');
  if (colon < 0 || !verify_password(decoded.mid(colon + 1).toStdString(), config_.password_hash)) {
    sessions_.login_failed(QDateTime::currentMSecsSinceEpoch());
    return false;
  }
  sessions_.login_succeeded();
  accepted_basic_ = mac;
  return true;
}

void WebServer::handle(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
  VELMORA_CHECK_THREAD(thread_);
  const QByteArray cookie = cookie_of(request);
  Answer a = host_allowed(request)
                 ? route(request, cookie)
                 : Answer(Status::Forbidden, "text/plain; charset=utf-8",
                          web_text(language_of(request),
                                   QT_TRANSLATE_NOOP("Web", "This page is reached by its IP address."))
                                  .toUtf8() + "\n");
  responder.writeStatusLine(a.status);
  responder.writeHeader("Content-Type", a.type);
  responder.writeHeader("Content-Length", QByteArray::number(a.body.size()));
  responder.writeHeader("Content-Security-Policy",
                        "default-src 'self'; frame-ancestors 'none'; form-action 'self'");
  responder.writeHeader("X-Frame-Options", "DENY");
  responder.writeHeader("X-Content-Type-Options", "nosniff");
  responder.writeHeader("Referrer-Policy", "no-referrer");
  responder.writeHeader("Cache-Control", "no-store");
  if (!a.location.isEmpty()) responder.writeHeader("Location", a.location);
  if (!a.set_cookie.isEmpty()) responder.writeHeader("Set-Cookie", a.set_cookie);
  if (request.method() != Method::Head) responder.writeBody(a.body);
}

WebServer::Answer WebServer::route(const QHttpServerRequest& request, const QByteArray& cookie) {
  const QString path = request.url().path();
  const Method method = request.method();
  const bool get = method == Method::Get || method == Method::Head;
  const bool need_login = !config_.password_hash.empty();

  if (get && path.startsWith("/static/")) {
    const QString name = path.mid(8);
    if (name != "velmora.js" && name != "velmora.css") return {Status::NotFound, "text/plain", "not found\n"};
    QFile file(":/velmora/web/" + name);
    if (!file.open(QIODevice::ReadOnly)) return {Status::NotFound, "text/plain", "not found\n"};
    return {Status::Ok,
            name.endsWith(".js") ? "text/javascript; charset=utf-8" : "text/css; charset=utf-8",
            file.readAll()};
  }
  if (path == "/login") {
    if (!need_login) return Answer::redirect("/");
    if (get) return {Status::Ok, "text/html; charset=utf-8", login_page({}, language_of(request))};
    if (method == Method::Post) return login(request);
    return Answer::error(Status::MethodNotAllowed, "method-not-allowed");
  }

  const bool api = path.startsWith("/api/") || path == "/metrics";
  bool signed_in = sessions_.valid(cookie, need_login);
  if (!signed_in && need_login && api && get && basic_auth_ok(request)) signed_in = true;
  if (!signed_in && need_login) {
    if (api) return Answer::error(Status::Unauthorized, "sign-in-needed");
    return Answer::redirect("/login");
  }
  if (method == Method::Post) return action(request, cookie, path);
  if (!get) return Answer::error(Status::MethodNotAllowed, "method-not-allowed");

  if (path == "/metrics")
    return {Status::Ok, "text/plain; version=0.0.4; charset=utf-8", metrics_text(state_)};
  if (path == "/api/cameras") return Answer::json(QJsonDocument(state_.cameras()));
  std::int32_t id = 0;
  if (path.startsWith("/api/camera/") && card_path(path, id)) {
    if (!controller_.cameras().count(id)) return Answer::error(Status::NotFound, "no-such-camera");
    return Answer::json(QJsonDocument(card_json(id, card_listings_.listing(id), run_under_way(id))));
  }
  if (path.startsWith("/api/camera/")) {
    if (!parse_id(path.mid(12), id) || !controller_.cameras().count(id))
      return Answer::error(Status::NotFound, "no-such-camera");
    QJsonObject o = state_.camera(id);
    QJsonArray runs;
    const std::int64_t since = QDateTime::currentSecsSinceEpoch() - kRunDays * 86400;
    for (const RunResult& r : state_.runs_of(id, since))
      runs.append(camera_run_json(r, controller_.alias_of(id)));
    o["runs"] = runs;
    return Answer::json(QJsonDocument(o));
  }

  // The pages: a visitor without a session gets one, which the action
  // forms' token is bound to.
  Answer a;
  QByteArray session = cookie;
  if (!sessions_.valid(session, false)) {
    session = sessions_.issue(false);
    a.set_cookie = session_cookie(session);
  }
  PageContext context{sessions_.token(session), need_login, language_of(request)};
  if (path == "/") {
    const SystemSettings& s = controller_.settings();
    const std::string root = controller_.scheduler().download_root();
    const ShownSettings shown{s.interval_code, controller_.scheduler().concurrency(), s.pacing_ms,
                              s.min_free_bytes, s.keep_days, QString::fromStdString(root),
                              free_space(root)};
    context.settings = &shown;
    std::vector<QJsonObject> cameras;
    for (const QJsonValue& c : state_.cameras()) cameras.push_back(c.toObject());
    a.body = cameras_page(cameras, context);
    return a;
  }
  if (path.startsWith("/camera/") && card_path(path, id) && controller_.cameras().count(id)) {
    a.body = card_page(state_.camera(id), card_listings_.listing(id), run_under_way(id), context);
    return a;
  }
  if (path.startsWith("/camera/") && parse_id(path.mid(8), id) && controller_.cameras().count(id)) {
    a.body = camera_page(state_.camera(id),
                         state_.runs_of(id, QDateTime::currentSecsSinceEpoch() - kRunDays * 86400),
                         context);
    return a;
  }
  a.status = Status::NotFound;
  a.body = message_page(web_text(context.language, QT_TRANSLATE_NOOP("Web", "Not found")),
                        web_text(context.language,
                                 QT_TRANSLATE_NOOP("Web", "There is no such page or camera.")),
                        context.language);
  return a;
}

WebServer::Answer WebServer::action(const QHttpServerRequest& request, const QByteArray& cookie,
                                    const QString& path) {
  const bool form = is_form(request);
  const QByteArray token = form ? form_value(request, "token") : request.value("X-Velmora-Token");
  if (!sessions_.token_matches(cookie, token))
    return Answer(Status::Forbidden, "text/plain; charset=utf-8",
                  web_text(language_of(request),
                           QT_TRANSLATE_NOOP(
                               "Web", "Refused: the request carries no valid token of this session."))
                          .toUtf8() + "\n");
  const QString from = request.remoteAddress().toString();
  auto done = [&](const char* back) {
    if (form) return Answer::redirect(back);
    QJsonObject o;
    o["ok"] = true;
    return Answer::json(QJsonDocument(o));
  };
  if (path == "/logout") {
    Answer a = Answer::redirect("/login");
    a.set_cookie = QByteArray(kCookie) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0";
    return a;
  }
  if (path == "/api/sync") {
    if (log_)
      log_(QCoreApplication::translate("Console", "web page (%1): sync all cameras now").arg(from).toStdString());
    controller_.start_all();
    return done("/");
  }
  if (std::int32_t id = 0; card_path(path, id)) {
    if (!controller_.cameras().count(id)) return Answer::error(Status::NotFound, "no-such-camera");
    // Not while a run talks to the camera: some cameras take one client only.
    if (!run_under_way(id)) card_listings_.ask(id);
    return done(("/camera/" + QString::number(id) + "/card").toUtf8().constData());
  }
  static const QString prefix = "/api/camera/";
  if (path.startsWith(prefix) && (path.endsWith("/start") || path.endsWith("/stop"))) {
    const bool start = path.endsWith("/start");
    const QString id_text = path.mid(prefix.size(), path.size() - prefix.size() - (start ? 6 : 5));
    std::int32_t id = 0;
    if (!parse_id(id_text, id) || !controller_.cameras().count(id))
      return Answer::error(Status::NotFound, "no-such-camera");
    if (log_)
      log_((start ? QCoreApplication::translate("Console", "web page (%1): start camera %2")
                  : QCoreApplication::translate("Console", "web page (%1): stop camera %2"))
               .arg(from)
               .arg(id)
               .toStdString());
    if (start)
      controller_.start_camera(id);
    else
      controller_.stop_camera(id);
    return done("/");
  }
  return Answer::error(Status::NotFound, "no-such-action");
}

WebServer::Answer WebServer::login(const QHttpServerRequest& request) {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  const std::int64_t wait = sessions_.login_wait_ms(now);
  if (wait > 0)
    return {Status::TooManyRequests, "text/html; charset=utf-8",
            login_page(web_text(language_of(request),
                                QT_TRANSLATE_NOOP("Web", "Too many attempts: try again in %1 s."))
                           .arg((wait + 999) / 1000),
                       language_of(request))};
  const QByteArray password = form_value(request, "password");
  if (password.isEmpty() || !verify_password(password.toStdString(), config_.password_hash)) {
    // The pause counts from the answer, not from the slow check before it.
    sessions_.login_failed(QDateTime::currentMSecsSinceEpoch());
    if (log_)
      log_(QCoreApplication::translate("Console", "web page: a wrong password from %1")
               .arg(request.remoteAddress().toString())
               .toStdString());
    return {Status::Forbidden, "text/html; charset=utf-8",
            login_page(web_text(language_of(request), QT_TRANSLATE_NOOP("Web", "Wrong password.")),
                       language_of(request))};
  }
  sessions_.login_succeeded();
  Answer a = Answer::redirect("/");
  a.set_cookie = session_cookie(sessions_.issue(true));
  return a;
}

}  // namespace velmora
