#include "sibling_link.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>

namespace velmora {

namespace {

constexpr std::uint32_t kMaxFrame = 1u << 20;

void put_u32(QByteArray& b, std::uint32_t v) {
  char tmp[4];
  qToLittleEndian(v, tmp);
  b.append(tmp, 4);
}
void put_i64(QByteArray& b, std::int64_t v) {
  char tmp[8];
  qToLittleEndian(v, tmp);
  b.append(tmp, 8);
}

QString endpoint_path(const QString& dir, const QString& name) {
  return QDir(dir).filePath(name);
}

}  // namespace

QByteArray encode_frame(const LinkFrame& f) {
  QByteArray body;
  put_u32(body, f.kind);
  put_u32(body, f.msg);
  if (f.kind == LinkFrame::Posted) {
    put_i64(body, f.wparam);
    put_i64(body, f.lparam);
  } else {
    put_u32(body, static_cast<std::uint32_t>(f.data.size()));
    body.append(f.data);
  }
  QByteArray out;
  put_u32(out, static_cast<std::uint32_t>(body.size()));
  out.append(body);
  return out;
}

bool decode_frames(QByteArray& buffer, std::vector<LinkFrame>& out) {
  while (buffer.size() >= 4) {
    const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
    std::uint32_t len = qFromLittleEndian<std::uint32_t>(p);
    if (len < 8 || len > kMaxFrame) return false;
    if (static_cast<std::uint64_t>(buffer.size()) < 4ull + len) return true;
    const uchar* b = p + 4;
    LinkFrame f;
    std::uint32_t kind = qFromLittleEndian<std::uint32_t>(b);
    f.msg = qFromLittleEndian<std::uint32_t>(b + 4);
    if (kind == LinkFrame::Posted) {
      if (len != 24) return false;
      f.kind = LinkFrame::Posted;
      f.wparam = qFromLittleEndian<std::int64_t>(b + 8);
      f.lparam = qFromLittleEndian<std::int64_t>(b + 16);
    } else if (kind == LinkFrame::CopyData) {
      if (len < 12) return false;
      std::uint32_t size = qFromLittleEndian<std::uint32_t>(b + 8);
      if (size != len - 12) return false;
      f.kind = LinkFrame::CopyData;
      f.data = QByteArray(reinterpret_cast<const char*>(b + 12), static_cast<qsizetype>(size));
    } else {
      return false;
    }
    out.push_back(std::move(f));
    buffer.remove(0, static_cast<qsizetype>(4 + len));
  }
  return true;
}

bool send_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(endpoint_path(dir, name));
  if (!socket.waitForConnected(timeout_ms)) return false;
  QByteArray bytes;
  for (const LinkFrame& f : frames) bytes.append(encode_frame(f));
  socket.write(bytes);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(timeout_ms)) return false;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeout_ms);
  return true;
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
