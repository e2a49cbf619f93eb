#pragma once
// A downstream stand-in for a pin: records samples and events, drops data
// while flushing (as a real downstream does), and can hold the pin after a
// number of samples so a test can seek while it streams.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "source_filter.h"
#include "source_stream.h"

struct RecordedSample {
  std::vector<uint8_t> data;
  int64_t time;
  bool sync;
  int flushes_before;  // how many flushes had ended when it arrived
};

class FakeOutput : public pellaquin::IPinOutput, public pellaquin::IEventSink {
public:
  pellaquin::HRESULT Deliver(const pellaquin::MediaSample& s) override {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [&] { return flushing_ || static_cast<long>(samples_.size()) < hold_after_; });
    if (flushing_) return pellaquin::S_FALSE;
    samples_.push_back({std::vector<uint8_t>(s.data(), s.data() + s.actual_length()), s.start_time(),
                        s.sync_point(), flushes_});
    cv_.notify_all();
    return pellaquin::S_OK;
  }
  pellaquin::HRESULT DeliverBeginFlush() override {
    std::lock_guard<std::mutex> l(m_);
    flushing_ = true;
    cv_.notify_all();
    return pellaquin::S_OK;
  }
  pellaquin::HRESULT DeliverEndFlush() override {
    std::lock_guard<std::mutex> l(m_);
    flushing_ = false;
    ++flushes_;
    hold_after_ = 1L << 30;
    return pellaquin::S_OK;
  }
  pellaquin::HRESULT DeliverEndOfStream() override {
    std::lock_guard<std::mutex> l(m_);
    if (!flushing_) ++eos_;
    cv_.notify_all();
    return pellaquin::S_OK;
  }
  void NotifyEvent(long code, intptr_t, intptr_t) override {
    std::lock_guard<std::mutex> l(m_);
    if (code == pellaquin::EC_COMPLETE) ++complete_;
    cv_.notify_all();
  }

  void HoldAfter(long n) {
    std::lock_guard<std::mutex> l(m_);
    hold_after_ = n;
    cv_.notify_all();
  }
  bool WaitForSamples(size_t n) {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, std::chrono::seconds(30), [&] { return samples_.size() >= n; });
  }
  bool WaitForEos() {
    std::unique_lock<std::mutex> l(m_);
    return cv_.wait_for(l, std::chrono::seconds(30), [&] { return eos_ > 0; });
  }
  std::vector<RecordedSample> samples() {
    std::lock_guard<std::mutex> l(m_);
    return samples_;
  }
  int eos() {
    std::lock_guard<std::mutex> l(m_);
    return eos_;
  }
  int complete() {
    std::lock_guard<std::mutex> l(m_);
    return complete_;
  }

private:
  std::mutex m_;
  std::condition_variable cv_;
  std::vector<RecordedSample> samples_;
  long hold_after_ = 1L << 30;
  bool flushing_ = false;
  int flushes_ = 0;
  int eos_ = 0;
  int complete_ = 0;
};
