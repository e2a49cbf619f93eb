#include "sync_scheduler.h"

#include <algorithm>

#include "window_messages.h"

namespace velmora {

namespace {

bool contains(const std::deque<CameraRecord>& list, std::int32_t id) {
  return std::any_of(list.begin(), list.end(),
                     [id](const CameraRecord& r) { return r.camera_id == id; });
}

bool erase_id(std::deque<CameraRecord>& list, std::int32_t id) {
  auto it = std::find_if(list.begin(), list.end(),
                         [id](const CameraRecord& r) { return r.camera_id == id; });
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

SyncScheduler::SyncScheduler(MessageSink& sink) : sink_(sink) {
  for (int i = 0; i < kPoolSize; ++i) pool_.push_back(std::make_unique<CamConnentionRES>(sink_));
}

SyncScheduler::~SyncScheduler() = default;

void SyncScheduler::enqueue(const CameraRecord& record) {
  if (contains(waiting_, record.camera_id) || contains(active_, record.camera_id)) return;
  waiting_.push_back(record);
  sink_.post_message(WM_SYNC_STATUS, record.camera_id, STATUS_WAITING);
  dispatch();
}

int SyncScheduler::state_of(std::int32_t id) const {
  if (contains(waiting_, id)) return 1;
  if (contains(active_, id)) return 2;
  return 0;
}

bool SyncScheduler::remove_waiting(std::int32_t id) { return erase_id(waiting_, id); }

CamConnentionRES* SyncScheduler::take_free_resource() {
  for (auto& r : pool_)
    if (r->is_free()) return r.get();
  return nullptr;
}

void SyncScheduler::dispatch() {
  if (active_count_ >= concurrency_ || waiting_.empty()) return;
  CamConnentionRES* res = take_free_resource();
  if (!res) return;  // cannot happen with the limit at most the pool size
  ++active_count_;
  CameraRecord record = waiting_.front();
  waiting_.pop_front();
  active_.push_back(record);
  sink_.post_message(WM_SYNC_STATUS, record.camera_id, STATUS_CONNECTING);
  bound_[record.camera_id] = res;
  res->bind(record, download_root_);
  if (record.is_local) {
    res->connect_local();
  } else {
    // Cameras behind a video server need the server connection, which this
    // build does not have yet: report a failure instead of waiting for the
    // connect timeout.
    sink_.cancel_camera_timer(record.camera_id);
    sink_.post_message(WM_SYNC_STATUS, record.camera_id, STATUS_CONNECT_FAILED);
  }
}

bool SyncScheduler::stop_active(std::int32_t id, bool is_local) {
  (void)is_local;  // server connections are released here once they exist
  if (state_of(id) != 2) return false;
  auto it = bound_.find(id);
  if (it != bound_.end()) {
    it->second->stop();
    sink_.cancel_camera_timer(id);
    bound_.erase(it);
  }
  return true;
}

bool SyncScheduler::finish_active(std::int32_t id) {
  if (!erase_id(active_, id)) return false;
  --active_count_;
  dispatch();
  return true;
}

bool SyncScheduler::set_concurrency(int n) {
  if (n == concurrency_) return true;
  if (n > kMaxConcurrency || n < 1) return false;
  const int before = concurrency_;
  concurrency_ = n;
  for (int i = before; i < n; ++i) dispatch();
  return true;
}

void SyncScheduler::drop_server_cameras(const std::string& serial) {
  std::vector<std::int32_t> dropped_waiting;
  for (const CameraRecord& r : waiting_)
    if (!r.is_local && serial_of(r) == serial) dropped_waiting.push_back(r.camera_id);
  for (std::int32_t id : dropped_waiting) {
    sink_.post_message(WM_SYNC_STATUS, id, STATUS_LIVE_ELSEWHERE);
    erase_id(waiting_, id);
  }
  std::vector<std::int32_t> dropped_active;
  for (const CameraRecord& r : active_)
    if (!r.is_local && serial_of(r) == serial) dropped_active.push_back(r.camera_id);
  for (std::int32_t id : dropped_active) {
    stop_active(id, false);
    sink_.post_message(WM_SYNC_STATUS, id, STATUS_LIVE_ELSEWHERE);
    erase_id(active_, id);
    --active_count_;
    dispatch();
  }
}

}  // namespace velmora
