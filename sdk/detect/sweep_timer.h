// A periodic (or one-shot) timer on a small thread of its own: what the
// detector's sweep runs on. The callback runs under the timer's lock, so a
// stop that returns guarantees no callback is running or will run.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrune {

class SweepTimer {
public:
  using Callback = void (*)(void* user);

  SweepTimer(int period_ms, bool periodic, Callback callback, void* user);
  ~SweepTimer();  // stops
  SweepTimer(const SweepTimer&) = delete;
  SweepTimer& operator=(const SweepTimer&) = delete;

  // Restarts a running timer. 0, or -2 when its thread cannot be made.
  // Neither start nor stop may be called from the callback.
  int start();
  int stop();  // 0; returns once the thread has ended
  bool running() const;
  void set_period(int period_ms);  // takes effect at the next start
  int period() const;

private:
  void run();

  mutable std::mutex mu_;  // guards everything below but the thread handle
  std::condition_variable cv_;
  int period_ms_;
  bool periodic_;
  bool stop_requested_ = false;
  bool running_ = false;
  Callback callback_;
  void* user_;
  std::mutex start_stop_mu_;  // orders start and stop; guards thread_
  std::thread thread_;
};

}  // namespace kestrune
