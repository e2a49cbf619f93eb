#include "control_channel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QtEndian>

#include <chrono>

namespace velmora {

namespace {

constexpr std::uint32_t kMaxRequest = 64 * 1024;
// A reply carries the live state of every camera: more room than a request.
constexpr std::uint32_t kMaxReply = 8 * 1024 * 1024;
constexpr std::size_t kMaxWords = 64;

void put_u32(QByteArray& b, std::uint32_t v) {
  char tmp[4];
  qToLittleEndian(v, tmp);
  b.append(tmp, 4);
}

std::uint32_t get_u32(const char* p) {
  return qFromLittleEndian<std::uint32_t>(reinterpret_cast<const uchar*>(p));
}

QByteArray framed(const QByteArray& body) {
  QByteArray out;
  put_u32(out, static_cast<std::uint32_t>(body.size()));
  return out + body;
}

// Cuts one complete body off the front of `buffer`: 1 done, 0 more bytes
// needed, -1 malformed.
int take_body(QByteArray& buffer, QByteArray& body, std::uint32_t max) {
  if (buffer.size() < 4) return 0;
  const std::uint32_t len = get_u32(buffer.constData());
  if (len > max) return -1;
  if (static_cast<std::uint64_t>(buffer.size()) < 4ull + len) return 0;
  body = buffer.mid(4, len);
  buffer.remove(0, 4 + len);
  return 1;
}

QString socket_path(const std::string& dir) {
  return QString::fromStdString(dir + "/" + kControlEndpoint);
}

}  // namespace

QByteArray encode_request(const std::vector<std::string>& words) {
  QByteArray body;
  for (const std::string& w : words) {
    body.append(w.data(), static_cast<qsizetype>(w.size()));
    body.append('\0');
  }
  return body;
}

bool decode_request(const QByteArray& body, std::vector<std::string>& words) {
  words.clear();
  if (body.isEmpty() || body.back() != '\0') return false;
  qsizetype start = 0;
  while (start < body.size()) {
    const qsizetype nul = body.indexOf('\0', start);
    words.emplace_back(body.constData() + start, static_cast<std::size_t>(nul - start));
    if (words.size() > kMaxWords) return false;
    start = nul + 1;
  }
  return true;
}

QByteArray encode_reply(const Reply& reply) {
  QByteArray body;
  put_u32(body, static_cast<std::uint32_t>(reply.code));
  put_u32(body, static_cast<std::uint32_t>(reply.out.size()));
  body.append(reply.out.data(), static_cast<qsizetype>(reply.out.size()));
  body.append(reply.err.data(), static_cast<qsizetype>(reply.err.size()));
  return body;
}

bool decode_reply(const QByteArray& body, Reply& reply) {
  if (body.size() < 8) return false;
  reply.code = static_cast<std::int32_t>(get_u32(body.constData()));
  const std::uint32_t out_len = get_u32(body.constData() + 4);
  if (out_len > static_cast<std::uint32_t>(body.size() - 8)) return false;
  reply.out.assign(body.constData() + 8, out_len);
  reply.err.assign(body.constData() + 8 + out_len,
                   static_cast<std::size_t>(body.size() - 8 - out_len));
  return true;
}

namespace {

// `reply_ms` < 0: wait for the reply as long as the connection lasts.
WaitOutcome exchange(const std::string& dir, const std::vector<std::string>& words, Reply& reply,
                     int timeout_ms, int reply_ms) {
  QLocalSocket socket;
  socket.connectToServer(socket_path(dir));
  if (!socket.waitForConnected(timeout_ms)) return WaitOutcome::kNoInstance;
  socket.write(framed(encode_request(words)));
  if (!socket.waitForBytesWritten(timeout_ms)) return WaitOutcome::kLost;
  QByteArray buffer, body;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply_ms);
  while (true) {
    const int got = take_body(buffer, body, kMaxReply);
    if (got < 0) return WaitOutcome::kLost;
    if (got > 0) return decode_reply(body, reply) ? WaitOutcome::kReplied : WaitOutcome::kLost;
    int left = -1;
    if (reply_ms >= 0) {
      left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count());
      if (left <= 0) return WaitOutcome::kLost;
    }
    if (!socket.waitForReadyRead(left) && socket.bytesAvailable() == 0) {
      // A closed connection can still hold the last bytes it brought.
      if (socket.state() == QLocalSocket::ConnectedState && reply_ms < 0) continue;
      return WaitOutcome::kLost;
    }
    buffer += socket.readAll();
  }
}

}  // namespace

bool send_command(const std::string& dir, const std::vector<std::string>& words, Reply& reply,
                  int timeout_ms) {
  return exchange(dir, words, reply, timeout_ms, timeout_ms) == WaitOutcome::kReplied;
}

WaitOutcome send_and_wait(const std::string& dir, const std::vector<std::string>& words,
                          Reply& reply) {
  return exchange(dir, words, reply, 10000, -1);
}

ControlServer::ControlServer(std::string dir, Handler handler, QObject* parent)
    : ControlServer(
          std::move(dir),
          DeferredHandler([handler = std::move(handler)](const std::vector<std::string>& words,
                                                         Respond respond) {
            respond(handler(words));
          }),
          parent) {}

ControlServer::ControlServer(std::string dir, DeferredHandler handler, QObject* parent)
    : QObject(parent), dir_(std::move(dir)), handler_(std::move(handler)) {}

ControlServer::~ControlServer() {
  if (server_) server_->close();
}

bool ControlServer::listen() {
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Only the lock holder gets here, so a socket file left behind is stale.
  QLocalServer::removeServer(socket_path(dir_));
  connect(server_, &QLocalServer::newConnection, this, &ControlServer::on_connection);
  return server_->listen(socket_path(dir_));
}

void ControlServer::on_connection() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    buffers_[s];
    connect(s, &QLocalSocket::readyRead, this, [this, s] { on_ready(s); });
    connect(s, &QLocalSocket::disconnected, this, [this, s] {
      buffers_.erase(s);
      s->deleteLater();
    });
  }
}

void ControlServer::on_ready(QLocalSocket* socket) {
  auto it = buffers_.find(socket);
  if (it == buffers_.end()) return;
  it->second += socket->readAll();
  QByteArray body;
  const int got = take_body(it->second, body, kMaxRequest);
  if (got == 0) return;
  std::vector<std::string> words;
  if (got < 0 || !decode_request(body, words)) {
    socket->disconnectFromServer();
    return;
  }
  QPointer<QLocalSocket> target(socket);
  handler_(words, [target](const Reply& reply) {
    if (!target || target->state() != QLocalSocket::ConnectedState) return;
    target->write(framed(encode_reply(reply)));
    target->flush();
  });
}

}  // namespace velmora
