#include "sync_scheduler.h"

#include <QCoreApplication>

#include <algorithm>

#include "disk_space.h"
#include "download_folder.h"
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
  for (int i = 0; i < kPoolSize; ++i) {
    pool_.push_back(std::make_unique<CamConnentionRES>(sink_, &counters_));
    servers_.push_back(std::make_unique<NVSConnentionRES>(sink_));
  }
}

SyncScheduler::~SyncScheduler() = default;

NVSConnentionRES* SyncScheduler::take_free_server() {
  for (auto& s : servers_)
    if (s->is_free()) return s.get();
  return nullptr;
}

const NVSConnentionRES* SyncScheduler::server_of(const std::string& serial) const {
  auto it = servers_by_serial_.find(serial);
  return it == servers_by_serial_.end() ? nullptr : it->second;
}

void SyncScheduler::start_remote(const CameraRecord& record, CamConnentionRES* worker) {
  const std::int32_t id = record.camera_id;
  const std::string serial = serial_of(record);
  auto it = servers_by_serial_.find(serial);
  if (it == servers_by_serial_.end()) {
    NVSConnentionRES* server = take_free_server();
    if (!server) return;  // cannot happen: at most 5 serials are active at once
    server->bind(record);
    server->attach(id, worker);
    camera_servers_[id] = server;
    servers_by_serial_[serial] = server;
    server->add_pending(id);
    server->open(id, server_port_, sibling_offer_);
    return;
  }
  NVSConnentionRES* server = it->second;
  server->attach(id, worker);
  camera_servers_[id] = server;
  if (server->list_received()) {
    server->request_ticket(id);
  } else {
    server->add_pending(id);
  }
}

void SyncScheduler::release_server(const CameraRecord& record) {
  const std::int32_t id = record.camera_id;
  auto cs = camera_servers_.find(id);
  if (cs == camera_servers_.end()) return;
  NVSConnentionRES* server = cs->second;
  camera_servers_.erase(cs);
  server->detach(id);
  const std::string serial = serial_of(record);
  const bool others = std::any_of(active_.begin(), active_.end(), [&](const CameraRecord& r) {
    return r.camera_id != id && !r.is_local && serial_of(r) == serial;
  });
  if (others) return;
  // A login is never kept for a serial without active cameras.
  server->logout();
  auto bs = servers_by_serial_.find(serial);
  if (bs != servers_by_serial_.end() && bs->second == server) servers_by_serial_.erase(bs);
}

// By serial, not by camera: the camera that asked may have stopped meanwhile
// while others of its account still wait for the same login.
void SyncScheduler::server_handover_accepted(const std::string& serial) {
  auto it = servers_by_serial_.find(serial);
  if (it != servers_by_serial_.end()) it->second->handover_accepted();
}

void SyncScheduler::enqueue(const CameraRecord& record) {
  if (contains(waiting_, record.camera_id) || contains(active_, record.camera_id)) return;
  waiting_.push_back(record);
  sink_.post(SyncStatusEvent{record.camera_id, STATUS_WAITING});
  dispatch();
}

CameraState SyncScheduler::state_of(std::int32_t id) const {
  if (contains(waiting_, id)) return CAMERA_WAITING;
  if (contains(active_, id)) return CAMERA_ACTIVE;
  return CAMERA_IDLE;
}

bool SyncScheduler::remove_waiting(std::int32_t id) { return erase_id(waiting_, id); }

CamConnentionRES* SyncScheduler::take_free_resource() {
  for (auto& r : pool_)
    if (r->is_free()) return r.get();
  return nullptr;
}

void SyncScheduler::dispatch() {
  if (active_count_ >= concurrency_ || waiting_.empty()) return;
  // Starting a camera into a full disk would only connect it to stop again:
  // the waiting cameras end as "disk full" (never retried on their own) and
  // start again with the next automatic or requested run, which looks again.
  const std::string unusable_root = check_download_folder(download_root_);
  std::int64_t free_bytes;
  if (unusable_root.empty() &&
      !enough_space(download_root_, min_free_bytes_, free_bytes, free_space_)) {
    const std::string why = disk_full_reason(download_root_, free_bytes, min_free_bytes_);
    while (!waiting_.empty()) {
      const std::int32_t id = waiting_.front().camera_id;
      waiting_.pop_front();
      sink_.post(FailureReasonEvent{id, FAILURE_OTHER, why});
      sink_.post(SyncStatusEvent{id, STATUS_DISK_FULL});
    }
    return;
  }
  CamConnentionRES* res = take_free_resource();
  if (!res) return;  // cannot happen with the limit at most the pool size
  ++active_count_;
  CameraRecord record = waiting_.front();
  waiting_.pop_front();
  active_.push_back(record);
  // A folder that went away (an unmounted disk), became read-only or cannot
  // hold the camera's folders fails the camera with the reason before it is
  // connected; it ends as active cameras do, is retried like any write
  // failure and finds its folder again once that is back.
  std::string unusable;
  if (!unusable_root.empty()) {
    unusable = QCoreApplication::translate("Console",
                                           "the download folder %1 cannot take recordings: %2")
                   .arg(QString::fromStdString(download_root_),
                        QString::fromStdString(unusable_root))
                   .toStdString();
  } else {
    unusable = prepare_camera_folders(download_root_, record.camera_id);
  }
  if (!unusable.empty()) {
    sink_.post(FailureReasonEvent{record.camera_id, FAILURE_WRITE_FAILED, unusable});
    sink_.post(SyncStatusEvent{record.camera_id, STATUS_INTERRUPTED});
    return;
  }
  sink_.post(SyncStatusEvent{record.camera_id, STATUS_CONNECTING});
  bound_[std::int32_t{record.camera_id}] = res;
  RunOptions options;
  options.min_free_bytes = min_free_bytes_;
  auto o = camera_options_.find(record.camera_id);
  options.delete_after_copy = o != camera_options_.end() && o->second.delete_after_copy;
  options.times = worker_times_;
  options.free_space = free_space_;
  if (camera_port_of_) options.camera_port = camera_port_of_(record);
  res->bind(record, download_root_, options);
  if (record.is_local) {
    res->connect_local();
  } else {
    start_remote(record, res);
  }
}

bool SyncScheduler::stop_active(std::int32_t id, bool is_local) {
  if (state_of(id) != CAMERA_ACTIVE) return false;
  auto it = bound_.find(id);
  if (it != bound_.end()) {
    it->second->stop();
    sink_.cancel_camera_timer(id);
    bound_.erase(it);
  }
  // The record itself says whether the camera is remote: the caller's flag
  // comes from the camera table, which may have changed since the start.
  (void)is_local;
  auto rec = std::find_if(active_.begin(), active_.end(),
                          [id](const CameraRecord& r) { return r.camera_id == id; });
  if (rec != active_.end() && !rec->is_local) release_server(*rec);
  return true;
}

bool SyncScheduler::finish_active(std::int32_t id) {
  if (!erase_id(active_, id)) return false;
  --active_count_;
  dispatch();
  return true;
}

void SyncScheduler::set_pacing_ms(int ms) {
  for (auto& res : pool_) res->set_pacing_ms(ms);
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
    if (!r.is_local && serial_of(r) == serial) dropped_waiting.push_back(std::int32_t{r.camera_id});
  for (std::int32_t id : dropped_waiting) {
    sink_.post(SyncStatusEvent{id, STATUS_LIVE_ELSEWHERE});
    erase_id(waiting_, id);
  }
  std::vector<std::int32_t> dropped_active;
  for (const CameraRecord& r : active_)
    if (!r.is_local && serial_of(r) == serial) dropped_active.push_back(std::int32_t{r.camera_id});
  for (std::int32_t id : dropped_active) {
    stop_active(id, false);
    sink_.post(SyncStatusEvent{id, STATUS_LIVE_ELSEWHERE});
    erase_id(active_, id);
    --active_count_;
    dispatch();
  }
}

}  // namespace velmora
