// Transport of the link to the sibling camera-manager program: each
// program's main window listens on a local socket endpoint in the runtime
// folder; frames (link_frame.h) travel one connection per batch.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

#include "link_frame.h"

class QLocalServer;
class QLocalSocket;

namespace velmora {

// Sends frames to the endpoint `name` in `dir` and waits for the write;
// false if nobody listens there. Blocks for up to `timeout_ms`: only for
// command-line tools, never on a thread that runs a window.
bool send_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 int timeout_ms = 2000);

// Sends frames without blocking: the connect and the write run on the
// calling thread's event loop. `done` (if any) runs there exactly once, never
// inside this call: true once every byte is handed over, false when nobody
// listens, the write fails or `timeout_ms` passes first.
void post_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 std::function<void(bool delivered)> done = {}, int timeout_ms = 2000);

// True if a program listens on the endpoint (the "window exists" test).
bool endpoint_exists(const QString& dir, const QString& name);

// Our own endpoint: accepts connections and hands every frame to a callback
// on the owning thread.
class LinkEndpoint : public QObject {
  Q_OBJECT
public:
  using Handler = std::function<void(const LinkFrame&)>;
  LinkEndpoint(QString dir, QString name, Handler handler, QObject* parent = nullptr);
  ~LinkEndpoint() override;
  bool listen();  // removes a stale socket file first
  QString path() const;

private:
  void on_connection();

  QString dir_, name_;
  Handler handler_;
  QLocalServer* server_ = nullptr;
  std::map<QLocalSocket*, QByteArray> buffers_;  // bytes of an incomplete frame
};

}  // namespace velmora
