#include "source_seeking.h"

namespace pellaquin {

namespace {
bool Apply(int64_t* value, const int64_t* given, uint32_t flags, int64_t base) {
  switch (flags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_AbsolutePositioning:
      *value = *given;
      return true;
    case AM_SEEKING_RelativePositioning:
      *value += *given;
      return true;
    case AM_SEEKING_IncrementalPositioning:
      *value = base + *given;
      return true;
    default:
      return false;
  }
}
}  // namespace

HRESULT CSourceSeeking::SetPositions(int64_t* current, uint32_t current_flags, int64_t* stop,
                                     uint32_t stop_flags) {
  bool start_changed = false;
  bool stop_changed = false;
  {
    std::lock_guard<std::recursive_mutex> lock(*seek_lock_);
    if ((current_flags & AM_SEEKING_PositioningBitsMask) && !current) return E_POINTER;
    if ((stop_flags & AM_SEEKING_PositioningBitsMask) && !stop) return E_POINTER;
    int64_t new_start = start_;
    int64_t new_stop = stop_;
    start_changed = current && Apply(&new_start, current, current_flags, start_);
    stop_changed = stop && Apply(&new_stop, stop, stop_flags, new_start);
    if (new_start < 0 || (stop_changed && new_stop < new_start)) return E_INVALIDARG;
    start_ = new_start;
    stop_ = new_stop;
  }
  HRESULT hr = S_OK;
  if (start_changed) hr = ChangeStart();
  if (stop_changed && Succeeded(hr)) hr = ChangeStop();
  return hr;
}

HRESULT CSourceSeeking::GetDuration(int64_t* duration) {
  if (!duration) return E_POINTER;
  std::lock_guard<std::recursive_mutex> lock(*seek_lock_);
  *duration = duration_;
  return S_OK;
}

HRESULT CSourceSeeking::GetPositions(int64_t* current, int64_t* stop) {
  std::lock_guard<std::recursive_mutex> lock(*seek_lock_);
  if (current) *current = start_;
  if (stop) *stop = stop_;
  return S_OK;
}

HRESULT CSourceSeeking::SetRate(double rate) {
  if (rate == 0.0) return E_INVALIDARG;
  {
    std::lock_guard<std::recursive_mutex> lock(*seek_lock_);
    rate_ = rate;
  }
  return ChangeRate();
}

}  // namespace pellaquin
