// The service's web page: serves the cameras table, a camera's page, the
// JSON API, the metrics and the actions (sync all, start or stop a camera)
// from the running engine, on the main thread's event loop. Sessions,
// tokens and the login live in WebSessions; every answer carries the
// headers that keep browsers from framing, sniffing or running inline
// script. Main thread only.
#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <QObject>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "sync_controller.h"
#include "thread_check.h"
#include "card_listing.h"
#include "web_config.h"
#include "web_sessions.h"
#include "web_state.h"

namespace velmora {

class WebServer : public QObject {
  Q_OBJECT
public:
  using Log = std::function<void(const std::string&)>;
  WebServer(SyncController& controller, WebConfig config, Log log, QObject* parent = nullptr);
  ~WebServer() override;

  // Listens where the configuration says. The port listened on (the chosen
  // one when it asked for 0); 0 and `error` when it could not.
  std::uint16_t listen(std::string& error);

private:
  struct Answer;
  void handle(const QHttpServerRequest& request, QHttpServerResponder&& responder);
  Answer route(const QHttpServerRequest& request, const QByteArray& cookie);
  Answer action(const QHttpServerRequest& request, const QByteArray& cookie,
                const QString& path);
  Answer login(const QHttpServerRequest& request);
  bool run_under_way(std::int32_t id) const;
  bool host_allowed(const QHttpServerRequest& request) const;
  bool basic_auth_ok(const QHttpServerRequest& request);

  SyncController& controller_;
  WebConfig config_;
  Log log_;
  WebState state_;
  WebSessions sessions_;
  CardListings card_listings_;
  QHttpServer server_;
  ThreadCheck thread_;  // the thread that runs the engine's event loop
  QByteArray basic_key_;       // made at each start
  QByteArray accepted_basic_;  // its MAC of the last Authorization that passed
};

// Listens and says on `out` where the page is, or why it is not there.
void web_page_started(WebServer& server, const WebConfig& config, std::FILE* out);

// The page's configuration for "velmora --headless": the settings, with
// `web_arg` ("[ADDRESS:]PORT" or "off"; "" = as set) over them. `error`
// says why it cannot start (exit status 2).
WebConfig web_start_config(const AppPaths& paths, const std::string& web_arg, std::string& error);

}  // namespace velmora
