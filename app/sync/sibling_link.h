// Link to the sibling camera-manager program. Each program's main window is a
// local socket endpoint named after its window class ("Velmora", "Orlaview")
// in the runtime folder; posted messages and data copies travel as small
// frames (format in docs/sibling-link.md).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace velmora {

inline constexpr const char* kOwnEndpoint = "Velmora";
inline constexpr const char* kSiblingEndpoint = "Orlaview";
inline constexpr std::uint32_t WM_COPYDATA_MSG = 0x004A;

struct LinkFrame {
  enum Kind : std::uint32_t { Posted = 1, CopyData = 2 };
  Kind kind = Posted;
  std::uint32_t msg = 0;      // Posted: message number; CopyData: data code
  std::int64_t wparam = 0;    // Posted only
  std::int64_t lparam = 0;    // Posted only
  QByteArray data;            // CopyData only
};

QByteArray encode_frame(const LinkFrame& f);
// Cuts complete frames off the front of `buffer`. False when the stream is
// malformed (the connection should then be dropped).
bool decode_frames(QByteArray& buffer, std::vector<LinkFrame>& out);

// Sends frames to the endpoint `name` in `dir`; false if nobody listens there.
bool send_frames(const QString& dir, const QString& name, const std::vector<LinkFrame>& frames,
                 int timeout_ms = 2000);
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
