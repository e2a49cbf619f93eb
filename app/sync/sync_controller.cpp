#include "sync_controller.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "kestrune_sdk.h"
#include "retention.h"
#include "window_messages.h"

namespace velmora {

namespace {

// How long a message to the sibling may take before it counts as absent.
constexpr int kSiblingTimeoutMs = 500;

}  // namespace

SyncController::SyncController(ControllerOptions options, QObject* parent)
    : MainThreadMailbox(parent), options_(std::move(options)),
      scheduler_(std::make_unique<SyncScheduler>(*this)) {
  scheduler_->set_server_port(options_.server_port);
  scheduler_->set_sibling_offer(
      [this](std::int32_t id, const std::string& serial, std::function<void(bool)> done) {
        offer_server_to_sibling(id, serial, std::move(done));
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
  scheduler_->set_pacing_ms(settings_.pacing_ms);
  apply_disk_settings();
  camera_options_ = load_camera_options(options_.paths.camera_options_file());
  scheduler_->set_camera_options(camera_options_);
  load_alias_file(options_.paths.alias_file(), aliases_);
  history_ = std::make_unique<RunHistory>(options_.paths.history_file());
  const std::vector<RunResult> runs = history_->read();
  past_ = summarise(runs, 0);
  auto_last_s_ = last_automatic_start(runs);
  reload_download_root();
  load_cameras();
  set_window_timer(TIMER_SPEED, options_.speed_interval_ms);
  start_discovery();
  if (options_.listen_link) {
    endpoint_ = std::make_unique<LinkEndpoint>(
        options_.link_dir, QString::fromLatin1(kOwnEndpoint),
        [this](const LinkFrame& f) { inbox_.on_frame(f); });
    endpoint_->listen();
  }
  if (options_.periodic_timers) {
    arm_auto_sync();
    set_window_timer(TIMER_RETRY, options_.retry_interval_ms);
  }
  return true;
}

void SyncController::start_discovery() {
  sibling_seen_ = sibling_present();
  SearchManager::Host host;
  host.post = [this](std::uint32_t msg) { post_message(msg, 0, 0); };
  host.sibling_present = [this] { return sibling_seen_.load(); };
  host.set_timer = [this](int id, int ms) { set_window_timer(id, ms); };
  host.kill_timer = [this](int id) { kill_window_timer(id); };
  SearchManager::instance().attach(host);
  // Left to the sibling while it runs; a busy port leaves discovery off.
  SearchManager::instance().start();
}

void SyncController::shutdown() {
  if (!sdk_started_) return;
  SearchManager::instance().stop();
  SearchManager::instance().detach();
  stop_all();
  // The stop statuses are only posted; no event loop may be left to deliver
  // them, so the runs they end are recorded here.
  for (std::int32_t id : ledger_.open_ids()) end_run(id, STATUS_USER_STOPPED);
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

void SyncController::offer_server_to_sibling(std::int32_t camera_id, const std::string& serial,
                                             std::function<void(bool)> done) {
  LinkFrame f;
  f.kind = LinkFrame::CopyData;
  f.msg = static_cast<std::uint32_t>(COPYDATA_SERVER_REQUEST);
  f.data = QByteArray::number(camera_id) + '/' + QByteArray::fromStdString(serial);
  // Not delivered (no sibling, or it went away): the caller logs in itself.
  post_frames(options_.link_dir, QString::fromLatin1(kSiblingEndpoint), {f}, std::move(done),
              kSiblingTimeoutMs);
}

void SyncController::tell_sibling(std::uint32_t msg) {
  LinkFrame f;
  f.msg = msg;
  post_frames(options_.link_dir, QString::fromLatin1(kSiblingEndpoint), {f}, {},
              kSiblingTimeoutMs);
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
  tell_sibling(WM_RECORDS_CHANGED);
  return true;
}

int SyncController::reload_download_root() {
  std::string root = scheduler_->download_root();
  int r = 0;
  if (!settings_.download_folder.empty()) {
    root = settings_.download_folder;  // our own setting wins over the sibling's
  } else {
    r = load_download_root(options_.paths.sibling_settings_file(),
                           options_.paths.default_download_root(), root);
  }
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

CameraOptions SyncController::camera_options(std::int32_t id) const {
  auto it = camera_options_.find(id);
  return it == camera_options_.end() ? CameraOptions{} : it->second;
}

bool SyncController::set_camera_options(std::int32_t id, const CameraOptions& options) {
  if (options.is_default()) {
    camera_options_.erase(id);
  } else {
    camera_options_[id] = options;
  }
  scheduler_->set_camera_options(camera_options_);
  return save_camera_options(options_.paths.camera_options_file(), camera_options_);
}

void SyncController::apply_disk_settings() {
  scheduler_->set_min_free_bytes(settings_.min_free_bytes);
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
  if (camera_options_.count(id)) set_camera_options(id, CameraOptions{});
  emit camerasChanged();
  return true;
}

void SyncController::arm_auto_sync() {
  auto_since_ms_ = QDateTime::currentMSecsSinceEpoch();
  schedule_auto_check();
}

AutoRunDue SyncController::next_automatic_run() const {
  return velmora::next_automatic_run(auto_sync_interval_ms(settings_.interval_code), auto_last_s_,
                                     auto_since_ms_, QDateTime::currentMSecsSinceEpoch());
}

// The timer looks at the wall clock at least once a minute instead of
// waiting out the whole interval: its own clock stands still while the
// machine sleeps, and a run due during a suspend then starts within a
// minute of the resume.
void SyncController::schedule_auto_check() {
  constexpr std::int64_t kCheckMs = 60000;
  const AutoRunDue d = next_automatic_run();
  if (d.why == AutoRunDue::kOff) {
    kill_window_timer(TIMER_AUTO_SYNC);
    return;
  }
  const std::int64_t wait = d.due_ms - QDateTime::currentMSecsSinceEpoch();
  set_window_timer(TIMER_AUTO_SYNC,
                   wait <= 0 ? std::int64_t{options_.catch_up_delay_ms} : std::min(wait, kCheckMs));
}

void SyncController::run_automatic(std::int64_t now_ms) {
  auto_last_s_ = now_ms / 1000;
  // Every camera's run of this round records the round's start, running
  // already or not, so that the history knows when it last happened.
  for (const auto& [id, record] : cameras_) {
    (void)record;
    auto_round_[id] = auto_last_s_;
  }
  emit autoSyncFired(QDateTime::fromMSecsSinceEpoch(now_ms).toString("yyyy-MM-dd HH:mm:ss"));
  start_all();
}

// ---- reactions ---------------------------------------------------------------

void SyncController::release(std::int32_t id) {
  scheduler_->stop_active(id, is_local(id));
  scheduler_->finish_active(id);
}

const RunResult* SyncController::last_run(std::int32_t id) const {
  auto it = past_.find(id);
  return it == past_.end() || !it->second.has_run ? nullptr : &it->second.last;
}

std::int64_t SyncController::last_completed(std::int32_t id) const {
  auto it = past_.find(id);
  return it == past_.end() ? 0 : it->second.last_completed;
}

void SyncController::end_run(std::int32_t id, std::int32_t status) {
  std::int64_t auto_started = 0;
  if (auto a = auto_round_.find(id); a != auto_round_.end()) {
    auto_started = a->second;
    auto_round_.erase(a);
  }
  RunResult r;
  if (!ledger_.finish(id, status, is_local(id), QDateTime::currentMSecsSinceEpoch(), r)) return;
  r.auto_started = auto_started;
  // The card and retention counters of this run live in the camera's view.
  const CameraView& v = views_[id];
  r.card_deleted = v.card_deleted;
  r.card_kept = v.card_kept;
  r.removed_files = v.removed_files;
  r.removed_bytes = v.removed_bytes;
  // A history that cannot be written (a full disk, say) costs the record of
  // this run, never the run itself.
  if (history_) history_->append(r);
  CameraHistory& h = past_[id];
  h.last = r;
  h.has_run = true;
  if (status_completes(status)) h.last_completed = r.ended;
  emit runEnded(id);
}

void SyncController::on_status(std::int32_t id, std::int32_t status) {
  ledger_.status(id, status, QDateTime::currentMSecsSinceEpoch());
  CameraView& v = views_[id];
  const bool user_stopped = v.status == STATUS_USER_STOPPED;
  // A new run starts without the reason of the last one.
  if (status == STATUS_WAITING || status == STATUS_CONNECTING) {
    v.reason.clear();
    v.card_deleted = v.card_kept = v.removed_files = 0;
    v.removed_bytes = 0;
  }
  auto show = [&] {
    v.status = status;
    emit statusChanged(id, status);
    if (status_is_final(status)) end_run(id, status);
  };
  switch (status) {
    case STATUS_COMPLETE:
      // Before the status goes out, so whoever reports the run sees it.
      if (scheduler_->state_of(id) == 2) apply_retention_of(id, v);
      show();
      release(id);
      break;
    case STATUS_DISK_FULL:
      // Not retried: every start looks at the free space again, and a
      // retry every minute would only connect to stop again.
      retry_.remove(id);
      if (!user_stopped) show();
      release(id);
      break;
    case STATUS_USER_STOPPED:
      retry_.remove(id);
      show();
      break;
    case STATUS_CONNECT_FAILED:
    case STATUS_INTERRUPTED:
    case STATUS_TIMED_OUT:
      // A report for a camera that is no longer waiting or running comes
      // from a run that has already ended (a timer that fired just as the
      // camera completed, say); it must not put the camera on the retry list.
      if (scheduler_->state_of(id) == 0) break;
      if (!user_stopped) {
        retry_.add(id);
        show();
      }
      release(id);
      break;
    case STATUS_LIVE_ELSEWHERE:
      if (!user_stopped) {
        retry_.add(id);
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

void SyncController::apply_retention_of(std::int32_t id, CameraView& v) {
  const std::int32_t days = settings_.keep_days;
  if (days <= 0) return;
  const RetentionResult r =
      apply_retention(scheduler_->download_root(), id, days, std::time(nullptr));
  v.removed_files = r.files;
  v.removed_bytes = r.bytes;
  if (r.files > 0 || r.failed > 0)
    emit recordingsRemoved(id, r.files, static_cast<qint64>(r.bytes), days);
}

void SyncController::run_retry() {
  for (std::int32_t id : retry_.take_all()) {
    auto it = cameras_.find(id);
    if (it != cameras_.end()) scheduler_->enqueue(it->second);
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
      ledger_.counts(c.camera_id, c.done, c.total);
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
      ledger_.file_started(id, v.file_offset, v.file_size);
      emit currentFileChanged(id, QString::fromUtf8(name));
      break;
    }
    case WM_FILE_FAILED: {
      const qsizetype nul = m.data.indexOf('\0');
      const QByteArray name = nul >= 0 ? m.data.left(nul) : m.data;
      const QByteArray reason = nul >= 0 ? m.data.mid(nul + 1) : QByteArray();
      ledger_.file_failed(static_cast<std::int32_t>(m.wparam));
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
      ledger_.failure(id, static_cast<std::int32_t>(m.lparam), views_[id].reason);
      emit failureReason(id, QString::fromUtf8(m.data.left(512)));
      break;
    }
    case WM_CARD_DELETE: {
      const auto id = static_cast<std::int32_t>(m.wparam);
      CameraView& v = views_[id];
      if (m.lparam == CARD_DELETED) {
        ++v.card_deleted;
      } else {
        ++v.card_kept;
      }
      emit cardDeleteAnswered(id, QString::fromUtf8(m.data.left(32)), static_cast<int>(m.lparam));
      break;
    }
    case WM_SERVER_SEIZED:
      scheduler_->drop_server_cameras(m.data.toStdString());
      break;
    case WM_COPYDATA_MSG:
      // The table posts WM_DISCOVERY_CHANGED when a copy changed it.
      SearchManager::instance().on_copy_data(static_cast<std::int32_t>(m.wparam), m.data);
      break;
    case WM_PAUSE_DISCOVERY:
      discovery_paused_ = true;
      SearchManager::instance().pause();
      break;
    case WM_RESUME_DISCOVERY:
      SearchManager::instance().resume_later();
      break;
    case WM_DISCOVERY_CHANGED:
      emit discoveryChanged();
      break;
    default:
      break;
  }
}

void SyncController::handle_window_timer(int id) {
  switch (id) {
    case TIMER_AUTO_SYNC: {
      const AutoRunDue d = next_automatic_run();
      const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
      if (d.why != AutoRunDue::kOff && d.due_ms <= now) run_automatic(now);
      schedule_auto_check();
      break;
    }
    case TIMER_SPEED: {
      sibling_seen_ = sibling_present();
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
      discovery_paused_ = false;
      SearchManager::instance().resume_timer_fired();
      break;
    default:
      break;
  }
}

void SyncController::handle_camera_timer(std::int32_t camera_id) {
  post_message(WM_SYNC_STATUS, camera_id, STATUS_TIMED_OUT);
}

}  // namespace velmora
