#pragma once
// Time seeking of one pin: keeps duration, start, stop and rate (100-ns
// units) and tells the pin when they change.
#include <cstdint>
#include <mutex>

#include "hresult.h"

namespace pellaquin {

enum SeekingFlags : uint32_t {
  AM_SEEKING_NoPositioning = 0,
  AM_SEEKING_AbsolutePositioning = 1,
  AM_SEEKING_RelativePositioning = 2,
  AM_SEEKING_IncrementalPositioning = 3,
  AM_SEEKING_PositioningBitsMask = 3,
  AM_SEEKING_SeekToKeyFrame = 4,
};

class CSourceSeeking {
public:
  explicit CSourceSeeking(std::recursive_mutex* lock) : seek_lock_(lock) {}
  virtual ~CSourceSeeking() = default;

  // current / stop may be null when their flags say no positioning.
  virtual HRESULT SetPositions(int64_t* current, uint32_t current_flags, int64_t* stop,
                               uint32_t stop_flags);
  HRESULT GetDuration(int64_t* duration);
  HRESULT GetPositions(int64_t* current, int64_t* stop);
  HRESULT SetRate(double rate);

protected:
  // Called after the value changed, without the seeking lock held: they
  // talk to the streaming thread, which takes that lock for every sample.
  virtual HRESULT ChangeStart() = 0;
  virtual HRESULT ChangeStop() = 0;
  virtual HRESULT ChangeRate() = 0;

  std::recursive_mutex* seek_lock_;
  int64_t duration_ = 0;
  int64_t start_ = 0;
  int64_t stop_ = 0;
  double rate_ = 1.0;
};

}  // namespace pellaquin
