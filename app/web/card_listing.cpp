#include "card_listing.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QProcess>
#include <QTimer>

namespace velmora {

CardListings::CardListings(QString program, QObject* parent)
    : QObject(parent), program_(std::move(program)) {}

CardListings::~CardListings() {
  // QProcess's destructor kills a child that still runs and waits for it.
  for (auto& [id, process] : running_) process->disconnect(this);
}

void CardListings::ask(std::int32_t camera_id) {
  VELMORA_CHECK_THREAD(thread_);
  if (running_.count(camera_id)) return;
  CardListing& l = listings_[camera_id];
  l.asking = true;
  l.asked_ms = QDateTime::currentMSecsSinceEpoch();
  auto process = std::make_unique<QProcess>();
  QProcess* p = process.get();
  running_[camera_id] = std::move(process);
  connect(p, &QProcess::finished, this, [this, camera_id] { finished(camera_id); });
  connect(p, &QProcess::errorOccurred, this, [this, camera_id](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) finished(camera_id);
  });
  // A camera that never answers must not keep the question open for ever.
  QTimer::singleShot(kTimeLimitMs, p, [p] { p->kill(); });
  p->start(program_, {"cameras", "recordings", QString::number(camera_id), "--json"});
}

CardListing CardListings::listing(std::int32_t camera_id) const {
  VELMORA_CHECK_THREAD(thread_);
  auto it = listings_.find(camera_id);
  return it == listings_.end() ? CardListing{} : it->second;
}

void CardListings::finished(std::int32_t camera_id) {
  VELMORA_CHECK_THREAD(thread_);
  auto it = running_.find(camera_id);
  if (it == running_.end()) return;
  std::unique_ptr<QProcess> process = std::move(it->second);
  running_.erase(it);
  CardListing& l = listings_[camera_id];
  l.asking = false;
  l.recordings.clear();
  l.summary = {};
  l.error.clear();
  l.failure = CardListing::Failure::None;
  const QByteArray out = process->read(kMaxOutputBytes);
  const bool ok = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
  if (!ok) {
    const QString err = QString::fromUtf8(process->readAllStandardError()).trimmed();
    if (process->error() == QProcess::FailedToStart) {
      l.failure = CardListing::Failure::NotStarted;
    } else if (err.isEmpty() || process->exitStatus() != QProcess::NormalExit) {
      l.failure = CardListing::Failure::NoAnswer;
    } else {
      l.failure = CardListing::Failure::Said;
      l.error = err.section('\n', -1);
    }
  } else {
    for (const QByteArray& line : out.split('\n')) {
      QJsonParseError parse{};
      const QJsonDocument d = QJsonDocument::fromJson(line, &parse);
      if (parse.error != QJsonParseError::NoError || !d.isObject()) continue;
      const QJsonObject o = d.object();
      if (o["type"].toString() == "recording")
        l.recordings.push_back(o);
      else if (o["type"].toString() == "summary")
        l.summary = o;
    }
  }
  // The process object is deleted once its signal has returned.
  process.release()->deleteLater();
}

}  // namespace velmora
