#include "detect/sweep_timer.h"

#include <chrono>
#include <system_error>

namespace kestrune {

SweepTimer::SweepTimer(int period_ms, bool periodic, Callback callback, void* user)
    : period_ms_(period_ms), periodic_(periodic), callback_(callback), user_(user) {}

SweepTimer::~SweepTimer() { stop(); }

int SweepTimer::start() {
  stop();
  std::lock_guard<std::mutex> order(start_stop_mu_);
  {
    std::lock_guard<std::mutex> g(mu_);
    stop_requested_ = false;
    running_ = true;
  }
  try {
    thread_ = std::thread(&SweepTimer::run, this);
  } catch (const std::system_error&) {
    std::lock_guard<std::mutex> g(mu_);
    running_ = false;
    return -2;
  }
  return 0;
}

int SweepTimer::stop() {
  std::lock_guard<std::mutex> order(start_stop_mu_);
  {
    std::lock_guard<std::mutex> g(mu_);
    stop_requested_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> g(mu_);
  running_ = false;
  return 0;
}

bool SweepTimer::running() const {
  std::lock_guard<std::mutex> g(mu_);
  return running_;
}

void SweepTimer::set_period(int period_ms) {
  std::lock_guard<std::mutex> g(mu_);
  period_ms_ = period_ms;
}

int SweepTimer::period() const {
  std::lock_guard<std::mutex> g(mu_);
  return period_ms_;
}

void SweepTimer::run() {
  std::unique_lock<std::mutex> l(mu_);
  auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(period_ms_);
  for (;;) {
    if (cv_.wait_until(l, due, [this] { return stop_requested_; })) break;
    // The callback runs with the lock held: stop() waits for it to finish.
    callback_(user_);
    if (!periodic_) break;
    due += std::chrono::milliseconds(period_ms_);
    const auto now = std::chrono::steady_clock::now();
    if (due < now) due = now;  // a late sweep does not cause a burst of catch-up sweeps
  }
  running_ = false;
}

}  // namespace kestrune
