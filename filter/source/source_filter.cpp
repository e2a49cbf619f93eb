#include "source_filter.h"

namespace pellaquin {

CSource::~CSource() { Stop(); }

int CSource::GetPinCount() {
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  return static_cast<int>(pins_.size());
}

CSourceStream* CSource::GetPin(int n) {
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  if (n < 0 || n >= static_cast<int>(pins_.size())) return nullptr;
  return pins_[static_cast<size_t>(n)].get();
}

HRESULT CSource::Pause() {
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  if (active_) return S_OK;
  for (auto& pin : pins_) {
    HRESULT hr = pin->Active();
    if (Succeeded(hr)) continue;
    for (auto& p : pins_) p->Inactive();
    return hr;
  }
  active_ = true;
  return S_OK;
}

HRESULT CSource::Stop() {
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  for (auto& pin : pins_) pin->Inactive();
  active_ = false;
  return S_OK;
}

bool CSource::is_active() {
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  return active_;
}

void CSource::NotifyEvent(long code, intptr_t param1, intptr_t param2) {
  if (sink_) sink_->NotifyEvent(code, param1, param2);
}

}  // namespace pellaquin
