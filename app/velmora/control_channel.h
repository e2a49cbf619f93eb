// The running instance's control socket: a local socket in the runtime
// folder through which other velmora processes hand it their changes (the
// words of a command) and receive the outcome. Only the holder of the
// instance lock listens on it.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands.h"

class QLocalServer;
class QLocalSocket;

namespace velmora {

inline constexpr const char* kControlEndpoint = "Velmora.control";

// Requests and replies: a 32-bit little-endian length, then the body. A
// request body is the words, each ending in a NUL; a reply body is the exit
// status (int32), the length of the standard-output text (uint32), that
// text and the standard-error text.
QByteArray encode_request(const std::vector<std::string>& words);
bool decode_request(const QByteArray& body, std::vector<std::string>& words);
QByteArray encode_reply(const Reply& reply);
bool decode_reply(const QByteArray& body, Reply& reply);

// Sends a command to the instance listening in `dir`. False when none
// answers within `timeout_ms`.
bool send_command(const std::string& dir, const std::vector<std::string>& words, Reply& reply,
                  int timeout_ms);

// Sends a command whose answer comes when the work is done (sync --wait)
// and waits for it without a time limit once the instance has taken it.
enum class WaitOutcome { kReplied, kNoInstance, kLost };
WaitOutcome send_and_wait(const std::string& dir, const std::vector<std::string>& words,
                          Reply& reply);

class ControlServer : public QObject {
  Q_OBJECT
public:
  using Handler = std::function<Reply(const std::vector<std::string>&)>;
  // Takes the reply when it is ready; a client gone meanwhile is not written to.
  using Respond = std::function<void(const Reply&)>;
  using DeferredHandler = std::function<void(const std::vector<std::string>&, Respond)>;
  ControlServer(std::string dir, Handler handler, QObject* parent = nullptr);
  ControlServer(std::string dir, DeferredHandler handler, QObject* parent = nullptr);
  ~ControlServer() override;
  bool listen();

private:
  void on_connection();
  void on_ready(QLocalSocket* socket);

  std::string dir_;
  DeferredHandler handler_;
  QLocalServer* server_ = nullptr;
  std::map<QLocalSocket*, QByteArray> buffers_;
};

}  // namespace velmora
