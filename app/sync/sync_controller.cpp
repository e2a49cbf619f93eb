#include "sync_controller.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

#include "kestrune_sdk.h"
#include "window_messages.h"

namespace velmora {

SyncController::SyncController(ControllerOptions options, QObject* parent)
    : MainThreadMailbox(parent), options_(std::move(options)),
      scheduler_(std::make_unique<SyncScheduler>(*this)) {
  scheduler_->set_server_port(options_.server_port);
  scheduler_->set_sibling_offer([this](std::int32_t id, const std::string& serial) {
    return offer_server_to_sibling(id, serial);
  });
}

SyncController::~SyncController() {
  shutdown();
  endpoint_.reset();
  scheduler_.reset();
}

bool SyncController::start() {
  if (NVS_SDK_V160::Camera_SDK_Initialize() != 0) return false;
  sdk_started_ = true;
  options_.paths.create_folders();
  std::int32_t limit = scheduler_->concurrency();
  settings_.load(options_.paths.settings_file(), limit);
  scheduler_->set_concurrency(limit);
  load_alias_file(options_.paths.alias_file(), aliases_);
  reload_download_root();
  load_cameras();
  set_window_timer(TIMER_SPEED, options_.speed_interval_ms);
  if (options_.listen_link) {
    endpoint_ = std::make_unique<LinkEndpoint>(
        options_.link_dir, QString::fromLatin1(kOwnEndpoint),
        [this](const LinkFrame& f) { on_link_frame(f); });
    endpoint_->listen();
  }
  if (options_.periodic_timers) {
    arm_auto_sync();
    set_window_timer(TIMER_RETRY, options_.retry_interval_ms);
  }
  return true;
}

void SyncController::shutdown() {
  if (!sdk_started_) return;
  stop_all();
  NVS_SDK_V160::Camera_SDK_Finalize();
  sdk_started_ = false;
  kill_window_timer(TIMER_AUTO_SYNC);
  kill_window_timer(TIMER_RETRY);
  kill_window_timer(TIMER_SPEED);
  settings_.save(options_.paths.settings_file(), scheduler_->concurrency());
  save_alias_file(options_.paths.alias_file(), aliases_);
}

bool SyncController::sibling_present() const {
  return endpoint_exists(options_.link_dir, QString::fromLatin1(kSiblingEndpoint));
}

bool SyncController::offer_server_to_sibling(std::int32_t camera_id, const std::string& serial) {
  if (!sibling_present()) return false;
  LinkFrame f;
  f.kind = LinkFrame::CopyData;
  f.msg = static_cast<std::uint32_t>(COPYDATA_SERVER_REQUEST);
  f.data = QByteArray::number(camera_id) + '/' + QByteArray::fromStdString(serial);
  // The sibling went away between the two calls: log in ourselves.
  return send_frames(options_.link_dir, QString::fromLatin1(kSiblingEndpoint), {f}, 500);
}

// ---- store -----------------------------------------------------------------

bool SyncController::load_cameras() {
  stop_all();
  CameraTable table;
  if (!load_camera_file(options_.paths.camera_list_file(), table)) return false;
  cameras_ = std::move(table);
  emit camerasChanged();
  return true;
}

bool SyncController::save_cameras() {
  if (!save_camera_file(options_.paths.camera_list_file(), cameras_)) return false;
  LinkFrame f;
  f.msg = WM_RECORDS_CHANGED;
  send_frames(options_.link_dir, QString::fromLatin1(kSiblingEndpoint), {f}, 500);
  return true;
}

int SyncController::reload_download_root() {
  std::string root = scheduler_->download_root();
  int r = load_download_root(options_.paths.sibling_settings_file(),
                             options_.paths.default_download_root(), root);
  if (root.empty()) root = options_.paths.default_download_root();
  scheduler_->set_download_root(root);
  emit downloadRootChanged(QString::fromStdString(root));
  return r;
}

void SyncController::set_alias(std::int32_t id, const std::string& alias) {
  aliases_[id] = clean_alias(alias);
  emit camerasChanged();
}

std::string SyncController::alias_of(std::int32_t id) const {
  auto it = aliases_.find(id);
  return it == aliases_.end() ? std::string() : it->second;
}

bool SyncController::is_local(std::int32_t id) const {
  auto it = cameras_.find(id);
  return it == cameras_.end() || it->second.is_local != 0;
}

// ---- commands --------------------------------------------------------------

void SyncController::start_all() {
  for (const auto& [id, record] : cameras_) {
    (void)id;
    scheduler_->enqueue(record);
  }
}

void SyncController::start_camera(std::int32_t id) {
  auto it = cameras_.find(id);
  if (it != cameras_.end()) scheduler_->enqueue(it->second);
}

void SyncController::stop_camera(std::int32_t id) {
  const int state = scheduler_->state_of(id);
  if (state == 0) return;
  post_message(WM_SYNC_STATUS, id, STATUS_USER_STOPPED);
  if (state == 1) {
    scheduler_->remove_waiting(id);
  } else {
    scheduler_->stop_active(id, is_local(id));
    scheduler_->finish_active(id);
  }
}

void SyncController::stop_all() {
  retry_.clear();
  for (const auto& [id, record] : cameras_) {
    (void)record;
    stop_camera(id);
  }
  // Cameras removed from the table while running still hold a slot.
  std::vector<std::int32_t> rest;
  for (const auto& r : scheduler_->waiting()) rest.push_back(std::int32_t{r.camera_id});
  for (const auto& r : scheduler_->active()) rest.push_back(std::int32_t{r.camera_id});
  for (std::int32_t id : rest) stop_camera(id);
}

void SyncController::toggle_camera(std::int32_t id) {
  if (scheduler_->state_of(id) != 0) {
    stop_camera(id);
  } else {
    start_camera(id);
  }
}

void SyncController::add_or_update(const CameraRecord& record) {
  const std::int32_t id = record.camera_id;
  if (cameras_.count(id)) stop_camera(id);
  cameras_[id] = record;
  save_cameras();
  emit camerasChanged();
}

bool SyncController::remove_camera(std::int32_t id) {
  if (!cameras_.count(id)) return false;
  stop_camera(id);
  cameras_.erase(id);
  save_cameras();
  emit camerasChanged();
  return true;
}

void SyncController::arm_auto_sync() {
  const std::int64_t ms = auto_sync_interval_ms(settings_.interval_code);
  if (ms > 0) {
    set_window_timer(TIMER_AUTO_SYNC, ms);
  } else {
    kill_window_timer(TIMER_AUTO_SYNC);
  }
}

// ---- reactions ---------------------------------------------------------------

void SyncController::release(std::int32_t id) {
  scheduler_->stop_active(id, is_local(id));
  scheduler_->finish_active(id);
}

void SyncController::add_retry(std::int32_t id) {
  retry_.push_back(id);
  retry_.erase(std::unique(retry_.begin(), retry_.end()), retry_.end());
}

void SyncController::on_status(std::int32_t id, std::int32_t status) {
  CameraView& v = views_[id];
  const bool user_stopped = v.status == STATUS_USER_STOPPED;
  // A new run starts without the reason of the last one.
  if (status == STATUS_WAITING || status == STATUS_CONNECTING) v.reason.clear();
  auto show = [&] {
    v.status = status;
    emit statusChanged(id, status);
  };
  switch (status) {
    case STATUS_COMPLETE:
      show();
      release(id);
      break;
    case STATUS_USER_STOPPED: {
      auto it = std::find(retry_.begin(), retry_.end(), id);
      if (it != retry_.end()) retry_.erase(it);
      show();
      break;
    }
    case STATUS_CONNECT_FAILED:
    case STATUS_INTERRUPTED:
    case STATUS_TIMED_OUT:
      // A report for a camera that is no longer waiting or running comes
      // from a run that has already ended (a timer that fired just as the
      // camera completed, say); it must not put the camera on the retry list.
      if (scheduler_->state_of(id) == 0) break;
      if (!user_stopped) {
        add_retry(id);
        show();
      }
      release(id);
      break;
    case STATUS_LIVE_ELSEWHERE:
      if (!user_stopped) {
        add_retry(id);
        show();
      }
      break;
    case STATUS_WRONG_PASSWORD:
      show();
      release(id);
      break;
    default:
      show();
      break;
  }
}

void SyncController::run_retry() {
  const std::size_t n = retry_.size();
  for (std::size_t i = 0; i < n && !retry_.empty(); ++i) {
    const std::int32_t id = retry_.front();
    auto it = cameras_.find(id);
    if (it != cameras_.end()) scheduler_->enqueue(it->second);
    retry_.pop_front();
  }
}

void SyncController::handle_message(const Message& m) {
  switch (m.msg) {
    case WM_SYNC_STATUS:
      on_status(static_cast<std::int32_t>(m.wparam), static_cast<std::int32_t>(m.lparam));
      break;
    case WM_SYNC_COUNTS: {
      if (m.data.size() < static_cast<qsizetype>(sizeof(SyncCounts))) break;
      SyncCounts c;
      std::memcpy(&c, m.data.constData(), sizeof c);
      CameraView& v = views_[c.camera_id];
      v.done = c.done;
      v.total = c.total;
      emit countsChanged(c.camera_id, c.done, c.total);
      break;
    }
    case WM_FILE_PROGRESS: {
      const auto id = static_cast<std::int32_t>(m.wparam);
      views_[id].percent = static_cast<int>(m.lparam);
      emit fileProgress(id, static_cast<int>(m.lparam));
      break;
    }
    case WM_CURRENT_FILE: {
      const auto id = static_cast<std::int32_t>(m.wparam);
      QByteArray name = m.data.left(32);
      const qsizetype nul = name.indexOf('\0');
      if (nul >= 0) name.truncate(nul);
      CameraView& v = views_[id];
      v.current_file = name.toStdString();
      v.file_offset = v.file_size = 0;
      if (m.data.size() >= 40) {
        std::uint32_t offset, size;
        std::memcpy(&offset, m.data.constData() + 32, sizeof offset);
        std::memcpy(&size, m.data.constData() + 36, sizeof size);
        v.file_offset = offset;
        v.file_size = size;
      }
      emit currentFileChanged(id, QString::fromUtf8(name));
      break;
    }
    case WM_FILE_FAILED: {
      const qsizetype nul = m.data.indexOf('\0');
      const QByteArray name = nul >= 0 ? m.data.left(nul) : m.data;
      const QByteArray reason = nul >= 0 ? m.data.mid(nul + 1) : QByteArray();
      emit fileFailed(static_cast<int>(m.wparam), QString::fromUtf8(name),
                      QString::fromUtf8(reason));
      break;
    }
    case WM_WRONG_PASSWORD:
      break;  // the status 177 that follows does the work
    case WM_RELOAD_CAMERAS:
      load_cameras();
      break;
    case WM_RELOAD_DOWNLOAD_ROOT:
      stop_all();
      reload_download_root();
      break;
    case WM_INTERVAL_CHANGED:
      arm_auto_sync();
      break;
    case WM_AUTOSTART_RESULT:
      if (m.lparam == 1) settings_.auto_start = !settings_.auto_start;
      break;
    case WM_ADD_LOCAL_CAMERA:
    case WM_ADD_REMOTE_CAMERA:
      if (m.data.size() == static_cast<qsizetype>(sizeof(CameraRecord))) {
        CameraRecord r;
        std::memcpy(&r, m.data.constData(), sizeof r);
        add_or_update(r);
      }
      break;
    case WM_SERVER_HANDOVER: {
      auto it = cameras_.find(static_cast<std::int32_t>(m.lparam));
      if (it == cameras_.end() || it->second.is_local) break;
      if (m.wparam != 0) {
        scheduler_->server_handover_accepted(serial_of(it->second));
      } else {
        scheduler_->drop_server_cameras(serial_of(it->second));
      }
      break;
    }
    case WM_FAILURE_REASON: {
      const auto id = static_cast<std::int32_t>(m.wparam);
      views_[id].reason = m.data.left(512).toStdString();
      emit failureReason(id, QString::fromUtf8(m.data.left(512)));
      break;
    }
    case WM_SERVER_SEIZED:
      scheduler_->drop_server_cameras(m.data.toStdString());
      break;
    case WM_COPYDATA_MSG:
      on_copy_data(static_cast<std::int32_t>(m.wparam), m.data);
      break;
    case WM_PAUSE_DISCOVERY:
      discovery_paused_ = true;
      break;
    case WM_RESUME_DISCOVERY:
      set_window_timer(TIMER_RESUME_DISCOVERY, kResumeDiscoveryMs);
      break;
    default:
      break;
  }
}

void SyncController::on_copy_data(std::int32_t code, const QByteArray& data) {
  constexpr qsizetype kRecord = 44;
  auto id_of = [](const char* record) {
    std::int32_t id;
    std::memcpy(&id, record + 16, sizeof id);
    return id;
  };
  if (code == COPYDATA_CAMERA_FOUND && data.size() >= kRecord) {
    discovered_[id_of(data.constData())] = data.left(kRecord);
  } else if (code == COPYDATA_CAMERA_LOST && data.size() >= kRecord) {
    discovered_.erase(id_of(data.constData()));
  } else if (code == COPYDATA_CAMERA_LIST && data.size() >= 4) {
    std::int32_t count;
    std::memcpy(&count, data.constData(), sizeof count);
    for (qsizetype i = 0; i < count && 4 + (i + 1) * kRecord <= data.size(); ++i) {
      const char* rec = data.constData() + 4 + i * kRecord;
      discovered_[id_of(rec)] = QByteArray(rec, kRecord);
    }
  } else {
    return;
  }
  emit discoveryChanged();
}

void SyncController::on_link_frame(const LinkFrame& f) {
  if (f.kind == LinkFrame::CopyData) {
    post_message(WM_COPYDATA_MSG, static_cast<std::intptr_t>(f.msg), 0, f.data);
    return;
  }
  // Only what the sibling (or the auto-start module) may send is accepted:
  // worker messages from outside could fake statuses and free heap payloads.
  switch (f.msg) {
    case WM_RELOAD_CAMERAS:
    case WM_RELOAD_DOWNLOAD_ROOT:
    case WM_SERVER_HANDOVER:
    case WM_PAUSE_DISCOVERY:
    case WM_RESUME_DISCOVERY:
    case WM_AUTOSTART_RESULT:
      post_message(f.msg, static_cast<std::intptr_t>(f.wparam),
                   static_cast<std::intptr_t>(f.lparam));
      break;
    default:
      break;
  }
}

void SyncController::handle_window_timer(int id) {
  switch (id) {
    case TIMER_AUTO_SYNC:
      emit autoSyncFired(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss"));
      start_all();
      break;
    case TIMER_SPEED: {
      const std::uint64_t bytes = CamConnentionRES::take_received_bytes();
      const qint64 kbps = static_cast<qint64>(
          static_cast<double>(bytes) * 1000.0 / options_.speed_interval_ms / 1024.0);
      emit speedUpdated(kbps);
      break;
    }
    case TIMER_RETRY:
      run_retry();
      break;
    case TIMER_RESUME_DISCOVERY:
      kill_window_timer(TIMER_RESUME_DISCOVERY);
      discovery_paused_ = false;
      break;
    default:
      break;
  }
}

void SyncController::handle_camera_timer(std::int32_t camera_id) {
  post_message(WM_SYNC_STATUS, camera_id, STATUS_TIMED_OUT);
}

}  // namespace velmora
