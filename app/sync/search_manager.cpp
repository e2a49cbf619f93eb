#include "search_manager.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link_messages.h"
#include "window_messages.h"

namespace velmora {

DiscoveryRecord DiscoveryRecord::from(const void* data) {
  DiscoveryRecord r;
  std::memcpy(r.bytes, data, kSize);
  return r;
}

std::uint32_t DiscoveryRecord::ip_address() const {
  std::uint32_t v;
  std::memcpy(&v, bytes, sizeof v);
  return v;
}

std::int32_t DiscoveryRecord::camera_id() const {
  std::int32_t v;
  std::memcpy(&v, bytes + 16, sizeof v);
  return v;
}

std::string DiscoveryRecord::address_text() const {
  const std::uint32_t a = ip_address();
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", (a >> 24) & 0xFF, (a >> 16) & 0xFF, (a >> 8) & 0xFF,
                a & 0xFF);
  return text;
}

SearchManager::SearchManager() : detector_(new NVS_SDK_V160::Camera_Detect_Module()) {
  detector_->RegisterCallback(this);
}

SearchManager::~SearchManager() {
  // After this no notification can reach us: the library makes them under
  // the lock RegisterCallback takes.
  detector_->RegisterCallback(nullptr);
  if (running_) detector_->Stop();
  delete detector_;
}

void SearchManager::attach(Host host) {
  MutexLock g(host_mu_);
  host_ = std::move(host);
}

void SearchManager::detach() {
  MutexLock g(host_mu_);
  host_ = Host{};
}

bool SearchManager::sibling_present() {
  MutexLock g(host_mu_);
  return host_.sibling_present && host_.sibling_present();
}

void SearchManager::changed() {
  MutexLock g(host_mu_);
  if (host_.changed) host_.changed();
}

bool SearchManager::start() {
  if (sibling_present()) return false;  // the sibling discovers for both
  if (running_) return true;
  // Another table made since ours may have taken the one listener's place.
  detector_->RegisterCallback(this);
  errno = 0;
  if (detector_->Start() != 0) {
    listen_error_ = errno != 0 ? errno : EADDRINUSE;
    std::fprintf(stderr, "velmora: camera discovery cannot listen (is another program using its port?)\n");
    return false;
  }
  listen_error_ = 0;
  running_ = true;
  return true;
}

void SearchManager::stop() {
  if (!running_.exchange(false)) return;
  detector_->Stop();
}

bool SearchManager::running() const { return running_; }

void SearchManager::OnCameraFound(const NVS_SDK_V160::DetectedCamera* record, int size) {
  if (record == nullptr || size < DiscoveryRecord::kSize) return;
  ++found_count_;
  const DiscoveryRecord r = DiscoveryRecord::from(record);
  {
    MutexLock g(table_mu_);
    table_[r.camera_id()] = r;
  }
  changed();
}

void SearchManager::OnCameraLost(const NVS_SDK_V160::DetectedCamera* record, int size) {
  if (record == nullptr || size < DiscoveryRecord::kSize) return;
  // While the sibling runs, its own list is the truth; ours only lags.
  if (sibling_present()) return;
  const DiscoveryRecord r = DiscoveryRecord::from(record);
  {
    MutexLock g(table_mu_);
    table_.erase(r.camera_id());
  }
  changed();
}

bool SearchManager::on_copy_data(std::int32_t code, const QByteArray& data) {
  {
    MutexLock g(table_mu_);
    if (!store_copy_locked(code, data)) return false;
  }
  changed();
  return true;
}

bool SearchManager::store_copy_locked(std::int32_t code, const QByteArray& data) {
  constexpr qsizetype kRecord = DiscoveryRecord::kSize;
  if (code == COPYDATA_CAMERA_FOUND) {
    if (data.size() < kRecord) return false;
    const DiscoveryRecord r = DiscoveryRecord::from(data.constData());
    table_[r.camera_id()] = r;
  } else if (code == COPYDATA_CAMERA_LOST) {
    if (data.size() < kRecord) return false;
    table_.erase(DiscoveryRecord::from(data.constData()).camera_id());
  } else if (code == COPYDATA_CAMERA_LIST) {
    if (data.size() < 4) return false;
    std::int32_t count;
    std::memcpy(&count, data.constData(), sizeof count);
    // Only the records the data really holds are taken.
    if (count < 0 || count > (data.size() - 4) / kRecord) return false;
    for (std::int32_t i = 0; i < count; ++i) {
      const DiscoveryRecord r = DiscoveryRecord::from(data.constData() + 4 + i * kRecord);
      table_[r.camera_id()] = r;
    }
  } else {
    return false;
  }
  return true;
}

void SearchManager::pause() {
  if (running_) detector_->Suspend();
}

void SearchManager::resume_later() {
  found_count_at_resume_ = found_count_;
  MutexLock g(host_mu_);
  if (host_.set_timer) host_.set_timer(TIMER_RESUME_DISCOVERY, kResumeDiscoveryMs);
}

void SearchManager::resume_timer_fired() {
  {
    MutexLock g(host_mu_);
    if (host_.kill_timer) host_.kill_timer(TIMER_RESUME_DISCOVERY);
  }
  if (found_count_ != found_count_at_resume_) return;  // a camera was found meanwhile: cancelled
  if (running_) {
    detector_->Resume();
  } else {
    start();
  }
}

std::map<std::int32_t, DiscoveryRecord> SearchManager::table() const {
  MutexLock g(table_mu_);
  return table_;
}

std::map<std::int32_t, std::string> SearchManager::list_texts() const {
  std::map<std::int32_t, std::string> out;
  MutexLock g(table_mu_);
  for (const auto& [id, r] : table_) out[id] = std::to_string(id) + "(" + r.address_text() + ")";
  return out;
}

bool SearchManager::contains(std::int32_t id) const {
  MutexLock g(table_mu_);
  return table_.count(id) != 0;
}

void SearchManager::clear() {
  MutexLock g(table_mu_);
  table_.clear();
}

}  // namespace velmora
