#pragma once
// A source filter: owns its output pins, starts and stops their streaming
// threads together and passes its events to the host.
#include <memory>
#include <mutex>
#include <vector>

#include "source_stream.h"

namespace pellaquin {

// Receives filter events (EC_COMPLETE ...); called on streaming threads.
class IEventSink {
public:
  virtual ~IEventSink() = default;
  virtual void NotifyEvent(long code, intptr_t param1, intptr_t param2) = 0;
};

class CSource {
public:
  explicit CSource(IEventSink* sink) : sink_(sink) {}
  virtual ~CSource();
  CSource(const CSource&) = delete;
  CSource& operator=(const CSource&) = delete;

  int GetPinCount();
  CSourceStream* GetPin(int n);

  // Application thread: starts every connected pin's streaming thread / stops
  // them all.
  HRESULT Pause();
  HRESULT Stop();
  bool is_active();

  void NotifyEvent(long code, intptr_t param1, intptr_t param2);

protected:
  // Guards the pin list and the active flag.
  std::recursive_mutex state_lock_;
  std::vector<std::unique_ptr<CSourceStream>> pins_;
  bool active_ = false;

private:
  IEventSink* sink_;
};

}  // namespace pellaquin
