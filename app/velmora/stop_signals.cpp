#include "stop_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace velmora {

namespace {
int g_pipe[2] = {-1, -1};

void on_signal(int sig) {
  const unsigned char b = static_cast<unsigned char>(sig);
  const int saved = errno;
  (void)!::write(g_pipe[1], &b, 1);
  errno = saved;
}
}  // namespace

StopSignals::StopSignals() {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char b;
    while (::read(g_pipe[0], &b, 1) == 1) {
      ++count_;
      emit stopRequested(b);
    }
  });
  struct sigaction sa {};
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
}

StopSignals::~StopSignals() {
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGHUP, SIG_DFL);
}

}  // namespace velmora
