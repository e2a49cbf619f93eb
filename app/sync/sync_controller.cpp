#include "sync_controller.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <variant>

#include "kestrune_sdk.h"
#include "link_messages.h"
#include "retention.h"
#include "window_messages.h"

namespace velmora {

namespace {

// How long a message to the sibling may take before it counts as absent.
constexpr int kSiblingTimeoutMs = 500;

}  // namespace

SyncController::SyncController(ControllerOptions options, QObject* parent)
    : MainThreadMailbox(parent), options_(std::move(options)),
      scheduler_(std::make_unique<SyncScheduler>(*this)),
      notifier_(std::make_unique<RunNotifier>(*this)) {
  scheduler_->set_server_port(options_.server_port);
  scheduler_->set_worker_times(options_.worker_times);
  scheduler_->set_camera_port(options_.camera_port);
  scheduler_->set_free_space_probe(options_.free_space);
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
    retry_due_ms_ = QDateTime::currentMSecsSinceEpoch() + options_.retry_interval_ms;
  }
  return true;
}

void SyncController::start_discovery() {
  sibling_seen_ = sibling_present();
  SearchManager::Host host;
  host.changed = [this] { post(DiscoveryChangedEvent{}); };
  host.sibling_present = [this] { return sibling_seen_.load(); };
  host.set_timer = [this](int id, int ms) { set_window_timer(id, ms); };
  host.kill_timer = [this](int id) { kill_window_timer(id); };
  search_.attach(host);
  // Left to the sibling while it runs; a busy port leaves discovery off.
  search_.start();
}

void SyncController::shutdown() {
  if (!sdk_started_) return;
  search_.stop();
  search_.detach();
  stop_all();
  // The stop statuses are only posted; no event loop may be left to deliver
  // them, so the runs they end are recorded here.
  for (std::int32_t id : ledger_.open_ids()) end_run(id, STATUS_USER_STOPPED);
  NVS_SDK_V160::Camera_SDK_Finalize();
  sdk_started_ = false;
  kill_window_timer(TIMER_AUTO_SYNC);
  kill_window_timer(TIMER_RETRY);
  retry_due_ms_ = 0;
  kill_window_timer(TIMER_SPEED);
  save_settings();
  save_aliases();
}

bool SyncController::saved(bool ok, const std::string& path) {
  if (ok) return true;
  const QString reason = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
  std::fprintf(stderr, "velmora: %s\n",
               qUtf8Printable(QCoreApplication::translate("Console", "cannot write %1: %2")
                                  .arg(QString::fromStdString(path), reason)));
  emit saveFailed(QString::fromStdString(path), reason);
  return false;
}

bool SyncController::save_settings() {
  errno = 0;
  return saved(settings_.save(options_.paths.settings_file(), scheduler_->concurrency()),
               options_.paths.settings_file());
}

bool SyncController::save_aliases() {
  errno = 0;
  return saved(save_alias_file(options_.paths.alias_file(), aliases_),
               options_.paths.alias_file());
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
  errno = 0;
  if (!saved(save_camera_file(options_.paths.camera_list_file(), cameras_),
             options_.paths.camera_list_file()))
    return false;
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
  save_aliases();
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
  errno = 0;
  return saved(save_camera_options(options_.paths.camera_options_file(), camera_options_),
               options_.paths.camera_options_file());
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
    emit runRequested(id);
    scheduler_->enqueue(record);
  }
}

void SyncController::start_camera(std::int32_t id) {
  auto it = cameras_.find(id);
  if (it == cameras_.end()) return;
  emit runRequested(id);
  scheduler_->enqueue(it->second);
}

void SyncController::stop_camera(std::int32_t id) {
  const CameraState state = scheduler_->state_of(id);
  if (state == CAMERA_IDLE) return;
  post(SyncStatusEvent{id, STATUS_USER_STOPPED});
  if (state == CAMERA_WAITING) {
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
  if (scheduler_->state_of(id) != CAMERA_IDLE) {
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

bool SyncController::change_camera(const CameraRecord& record) {
  const std::int32_t id = record.camera_id;
  const std::int32_t status = view(id).status;
  const bool restart = scheduler_->state_of(id) != CAMERA_IDLE ||
                       (status_is_final(status) && status != STATUS_COMPLETE &&
                        status != STATUS_USER_STOPPED);
  add_or_update(record);
  if (restart) start_camera(id);
  return restart;
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
  // this run, never the run itself; it is reported like any failed save.
  errno = 0;
  if (history_) saved(history_->append(r), history_->path());
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
    v.current_file.clear();
    v.file_position = v.bytes_queued = 0;
    v.percent = 0;
    rates_[id].clear();
    v.card_deleted = v.card_kept = v.removed_files = 0;
    v.removed_bytes = 0;
  }
  auto show = [&] {
    // The streak is known before the status goes out, so whoever shows the
    // outcome can say how long the camera has been failing.
    if (status_is_final(status) && status != STATUS_USER_STOPPED && ledger_.open(id)) {
      if (status_completes(status)) {
        v.failed_runs = 0;
        v.failing_since = 0;
      } else {
        if (v.failed_runs++ == 0) v.failing_since = QDateTime::currentSecsSinceEpoch();
      }
    }
    v.status = status;
    emit statusChanged(id, status);
    if (status_is_final(status)) end_run(id, status);
  };
  switch (status) {
    case STATUS_COMPLETE:
      // Before the status goes out, so whoever reports the run sees it.
      if (scheduler_->state_of(id) == CAMERA_ACTIVE) apply_retention_of(id, v);
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
      if (scheduler_->state_of(id) == CAMERA_IDLE) break;
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

void SyncController::handle_event(const EngineEvent& e) {
  std::visit([this](const auto& event) { on_event(event); }, e);
}

void SyncController::on_event(const SyncStatusEvent& e) { on_status(e.camera_id, e.status); }

void SyncController::on_event(const SyncCountsEvent& e) {
  CameraView& v = views_[e.camera_id];
  v.done = e.done;
  v.total = e.total;
  v.bytes_queued = e.bytes_queued;
  ledger_.counts(e.camera_id, e.done, e.total);
  emit countsChanged(e.camera_id, e.done, e.total);
}

void SyncController::on_event(const FileProgressEvent& e) {
  CameraView& v = views_[e.camera_id];
  v.percent = e.percent;
  v.file_position = e.position;
  ledger_.progress(e.camera_id, e.position);
  rates_[e.camera_id].add(QDateTime::currentMSecsSinceEpoch(), ledger_.bytes_written(e.camera_id));
  emit fileProgress(e.camera_id, e.percent);
}

void SyncController::on_event(const CurrentFileEvent& e) {
  CameraView& v = views_[e.camera_id];
  v.current_file = e.name;
  v.file_offset = e.offset;
  v.file_size = e.size;
  v.file_position = e.offset;
  ledger_.file_started(e.camera_id, v.file_offset, v.file_size);
  emit currentFileChanged(e.camera_id, QString::fromStdString(e.name));
}

void SyncController::on_event(const FileFailedEvent& e) {
  ledger_.file_failed(e.camera_id);
  emit fileFailed(e.camera_id, QString::fromStdString(e.name), QString::fromStdString(e.reason));
}

void SyncController::on_event(const WrongPasswordEvent&) {
  // The status 177 that follows does the work.
}

void SyncController::on_event(const FailureReasonEvent& e) {
  // A reason is one line of the history and of the list, not a document.
  CameraView& v = views_[e.camera_id];
  v.reason = e.text.substr(0, 512);
  ledger_.failure(e.camera_id, e.kind, v.reason);
  emit failureReason(e.camera_id, QString::fromStdString(v.reason));
}

void SyncController::on_event(const CardDeleteEvent& e) {
  CameraView& v = views_[e.camera_id];
  if (e.result == CARD_DELETED) {
    ++v.card_deleted;
  } else {
    ++v.card_kept;
  }
  emit cardDeleteAnswered(e.camera_id, QString::fromStdString(e.name), e.result);
}

void SyncController::on_event(const ServerSeizedEvent& e) {
  scheduler_->drop_server_cameras(e.serial);
}

void SyncController::on_event(const DiscoveryChangedEvent&) { emit discoveryChanged(); }

void SyncController::on_event(const ReloadCamerasEvent&) { load_cameras(); }

void SyncController::on_event(const ReloadDownloadRootEvent&) {
  stop_all();
  reload_download_root();
}

void SyncController::on_event(const ServerHandoverEvent& e) {
  auto it = cameras_.find(e.camera_id);
  if (it == cameras_.end() || it->second.is_local) return;
  if (e.connect_ourselves) {
    scheduler_->server_handover_accepted(serial_of(it->second));
  } else {
    scheduler_->drop_server_cameras(serial_of(it->second));
  }
}

void SyncController::on_event(const PauseDiscoveryEvent&) {
  discovery_paused_ = true;
  search_.pause();
}

void SyncController::on_event(const ResumeDiscoveryEvent&) { search_.resume_later(); }

void SyncController::on_event(const AutostartResultEvent& e) {
  if (!e.succeeded) return;
  settings_.auto_start = !settings_.auto_start;
  // Kept at once: the session may end before the program does.
  save_settings();
}

void SyncController::on_event(const CopyDataEvent& e) {
  // The table tells us through its host when a copy changed it.
  search_.on_copy_data(e.code, e.data);
}

void SyncController::on_event(const AddLocalCameraEvent& e) { add_or_update(e.record); }

void SyncController::on_event(const AddRemoteCameraEvent& e) { add_or_update(e.record); }

void SyncController::on_event(const IntervalChangedEvent&) { arm_auto_sync(); }

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
      const std::uint64_t bytes = scheduler_->take_received_bytes();
      const qint64 kbps = static_cast<qint64>(
          static_cast<double>(bytes) * 1000.0 / options_.speed_interval_ms / 1024.0);
      emit speedUpdated(kbps);
      break;
    }
    case TIMER_RETRY:
      retry_due_ms_ = QDateTime::currentMSecsSinceEpoch() + options_.retry_interval_ms;
      run_retry();
      break;
    case TIMER_RESUME_DISCOVERY:
      discovery_paused_ = false;
      search_.resume_timer_fired();
      break;
    default:
      break;
  }
}

LiveCamera SyncController::live(std::int32_t id) const {
  LiveCamera c;
  c.camera_id = id;
  auto vit = views_.find(id);
  const CameraView v = vit == views_.end() ? CameraView{} : vit->second;
  const CameraState state = scheduler_->state_of(id);
  const auto& retry = retry_.ids();
  const bool retrying = std::find(retry.begin(), retry.end(), id) != retry.end();
  c.status = v.status;
  if (state == CAMERA_WAITING) {
    c.state = "waiting";
  } else if (state == CAMERA_ACTIVE) {
    c.state = v.status == STATUS_SYNCING ? "syncing" : "connecting";
  } else if (retrying) {
    c.state = "retry-wait";
    c.next_retry = retry_due_ms_;
  } else if (v.status == STATUS_COMPLETE) {
    c.state = "complete";
  } else if (v.status == STATUS_USER_STOPPED) {
    c.state = "stopped";
  } else if (status_is_final(v.status)) {
    c.state = "failed";
  }
  c.done = v.done;
  c.total = v.total;
  c.reason = v.reason;
  c.failed_runs = v.failed_runs;
  c.failing_since = v.failing_since;
  if (ledger_.open(id)) {
    c.run_bytes = ledger_.bytes_written(id);
  } else if (const RunResult* last = last_run(id)) {
    c.run_bytes = last->bytes;
  }
  if (c.state != "syncing" || v.current_file.empty()) return c;
  c.file = v.current_file;
  c.file_bytes = v.file_position;
  c.file_size = v.file_size;
  c.percent = v.percent;
  auto rit = rates_.find(id);
  c.speed = rit == rates_.end() ? 0 : rit->second.bytes_per_second(QDateTime::currentMSecsSinceEpoch());
  if (c.speed > 0 && v.bytes_queued >= v.file_position)
    c.eta = static_cast<std::int64_t>((v.bytes_queued - v.file_position + c.speed - 1) / c.speed);
  return c;
}

void SyncController::handle_camera_timer(std::int32_t camera_id) {
  post(SyncStatusEvent{camera_id, STATUS_TIMED_OUT});
}

}  // namespace velmora
