// What is on a camera's card versus on disk, asked for from the web page:
// runs "velmora cameras recordings <id> --json" (this very program) as a
// child process, so that the camera's catalogue is read exactly as the
// command line reads it, without blocking the engine's event loop or
// sharing its camera library. One question per camera at a time; the answer
// is kept until the next one. Main thread only.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "thread_check.h"

class QProcess;

namespace velmora {

struct CardListing {
  bool asking = false;
  std::int64_t asked_ms = 0;      // when the last question was started (0 = never)
  std::vector<QJsonObject> recordings;  // the "recording" lines
  QJsonObject summary;                  // the "summary" line
  // Why there is no list: the command's own message (in the service's
  // language), or one of the cases it could not tell.
  enum class Failure { None, Said, NotStarted, NoAnswer };
  Failure failure = Failure::None;
  QString error;
};

class CardListings : public QObject {
  Q_OBJECT
public:
  // `program`: the velmora program to run (this one).
  explicit CardListings(QString program, QObject* parent = nullptr);
  ~CardListings() override;

  // Starts a question unless one is under way for this camera.
  void ask(std::int32_t camera_id);
  // The last answer (or the question under way); empty when never asked.
  CardListing listing(std::int32_t camera_id) const;

  // A question gets this long before its process is killed.
  static constexpr int kTimeLimitMs = 60000;
  // Lines read from the child at most (a card holds far fewer recordings).
  static constexpr qint64 kMaxOutputBytes = 16 << 20;

private:
  void finished(std::int32_t camera_id);

  QString program_;
  std::map<std::int32_t, CardListing> listings_;
  std::map<std::int32_t, std::unique_ptr<QProcess>> running_;
  mutable ThreadCheck thread_;  // the engine's thread
};

}  // namespace velmora
