// Turns SIGINT, SIGTERM and SIGHUP (the terminal went away) into a Qt signal
// on the main thread, so the program stops its cameras and exits cleanly.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace velmora {

class StopSignals : public QObject {
  Q_OBJECT
public:
  StopSignals();
  ~StopSignals() override;
  int count() const { return count_; }

signals:
  void stopRequested(int signal_number);

private:
  QSocketNotifier* notifier_ = nullptr;
  int count_ = 0;
};

}  // namespace velmora
