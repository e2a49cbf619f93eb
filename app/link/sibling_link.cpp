#include "sibling_link.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

namespace velmora {

namespace {

QString endpoint_path(const QString& dir, const QString& name) {
  return QDir(dir).filePath(name);
}

QByteArray encode_all(const std::vector<LinkFrame>& frames) {
  QByteArray bytes;
  for (const LinkFrame& f : frames) bytes.append(encode_frame(f));
  return bytes;
}

}  // namespace

bool send_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(endpoint_path(dir, name));
  if (!socket.waitForConnected(timeout_ms)) return false;
  socket.write(encode_all(frames));
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(timeout_ms)) return false;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeout_ms);
  return true;
}

void post_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 std::function<void(bool)> done, int timeout_ms) {
  auto* socket = new QLocalSocket;
  const QByteArray bytes = encode_all(frames);
  // The first of success, error and timeout decides; the others find the
  // callback gone. The socket is deleted by the event loop, after its signal.
  auto finish = std::make_shared<std::function<void(bool)>>(
      [socket, done = std::move(done)](bool delivered) mutable {
        if (done) {
          auto call = std::move(done);
          done = nullptr;
          call(delivered);
        }
        socket->deleteLater();
      });
  QObject::connect(socket, &QLocalSocket::connected, socket, [socket, bytes] {
    socket->write(bytes);
  });
  QObject::connect(socket, &QLocalSocket::bytesWritten, socket, [socket, finish] {
    if (socket->bytesToWrite() > 0) return;
    (*finish)(true);
    socket->disconnectFromServer();
  });
  QObject::connect(socket, &QLocalSocket::errorOccurred, socket,
                   [finish](QLocalSocket::LocalSocketError) { (*finish)(false); });
  QTimer::singleShot(timeout_ms, socket, [socket, finish] {
    (*finish)(false);
    socket->abort();
  });
  // Started from the event loop so that even an immediate refusal reports
  // after this call has returned.
  const QString path = endpoint_path(dir, name);
  QTimer::singleShot(0, socket, [socket, path] { socket->connectToServer(path); });
}

bool endpoint_exists(const QString& dir, const QString& name) {
  QLocalSocket socket;
  socket.connectToServer(endpoint_path(dir, name));
  if (!socket.waitForConnected(500)) return false;
  socket.disconnectFromServer();
  return true;
}

LinkEndpoint::LinkEndpoint(QString dir, QString name, Handler handler, QObject* parent)
    : QObject(parent), dir_(std::move(dir)), name_(std::move(name)),
      handler_(std::move(handler)) {}

LinkEndpoint::~LinkEndpoint() {
  if (server_) server_->close();
}

QString LinkEndpoint::path() const { return endpoint_path(dir_, name_); }

bool LinkEndpoint::listen() {
  if (!server_) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &LinkEndpoint::on_connection);
  }
  // Only the instance holding the single-instance lock gets here, so a socket
  // file left behind is stale.
  QLocalServer::removeServer(path());
  return server_->listen(path());
}

void LinkEndpoint::on_connection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    auto drain = [this, socket] {
      QByteArray& buffer = buffers_[socket];
      buffer.append(socket->readAll());
      std::vector<LinkFrame> frames;
      bool ok = decode_frames(buffer, frames);
      for (const LinkFrame& f : frames) handler_(f);
      return ok;
    };
    connect(socket, &QLocalSocket::readyRead, this, [socket, drain] {
      if (!drain()) socket->abort();
    });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, drain] {
      drain();
      buffers_.erase(socket);
      socket->deleteLater();
    });
  }
}

}  // namespace velmora
