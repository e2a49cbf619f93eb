// The main window's logic without its widgets: camera table, aliases,
// settings and timers, the reactions to every posted status, and the commands
// (start, stop, add, remove); the retry list and what the sibling sends live
// in their own classes. A GUI shows what its signals say; the headless
// console does the same. Main thread only.
#pragma once

#include <QString>

#include <atomic>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "alias_store.h"
#include "app_paths.h"
#include "auto_schedule.h"
#include "camera_options.h"
#include "camera_store.h"
#include "live_snapshot.h"
#include "search_manager.h"
#include "sibling_link.h"
#include "sync_scheduler.h"
#include "system_settings.h"
#include "main_thread_mailbox.h"
#include "retry_list.h"
#include "run_history.h"
#include "run_ledger.h"
#include "run_notifier.h"
#include "sibling_inbox.h"
#include "window_messages.h"

namespace velmora {

struct ControllerOptions {
  AppPaths paths;
  QString link_dir;              // where the "Velmora"/"Orlaview" endpoints live
  bool listen_link = true;       // open our own endpoint for the sibling
  bool periodic_timers = true;   // automatic synchronisation and retry timers
  int retry_interval_ms = kRetryIntervalMs;
  int speed_interval_ms = kSpeedIntervalMs;
  // How long an overdue automatic run waits after start-up (or a resume),
  // so that the network and the cameras' links are up first.
  int catch_up_delay_ms = 10000;
  unsigned short server_port = NVSConnentionRES::kServerPort;  // video servers
  WorkerTimes worker_times;  // how long workers wait for cameras
  // Where local cameras listen (none: on 9996); simulated cameras listen
  // wherever the system put them.
  CameraPortOf camera_port;
  // Where the free-space guard asks (none: the file system itself).
  FreeSpaceProbe free_space;
};

// What the camera list shows for one camera.
struct CameraView {
  std::int32_t status = STATUS_NONE;
  std::int32_t done = 0;
  std::int32_t total = 0;
  int percent = 0;
  std::string current_file;
  std::uint32_t file_offset = 0;  // where the current file's download started
  std::uint32_t file_size = 0;    // the current recording's size (0 = unknown)
  std::uint64_t file_position = 0;  // of the current recording on disk now
  std::uint64_t bytes_queued = 0;   // sizes of the recordings still to fetch
  std::string reason;             // why the current run fails ("" = the status says it)
  // Of the current (or last) run: recordings deleted from the camera after
  // a verified copy, those the camera kept (refused or unanswered), and what
  // retention removed from the download folder after it.
  int card_deleted = 0;
  int card_kept = 0;
  int removed_files = 0;
  std::uint64_t removed_bytes = 0;
  // Runs that failed in a row, and when the first of them ended (seconds
  // since 1970); a completed run starts the count again.
  int failed_runs = 0;
  std::int64_t failing_since = 0;
};

class SyncController : public MainThreadMailbox {
  Q_OBJECT
public:
  explicit SyncController(ControllerOptions options, QObject* parent = nullptr);
  ~SyncController() override;

  // Start-up: library, folders, settings, aliases, download root, cameras,
  // speed timer, automatic timer, retry timer. No camera starts here.
  bool start();
  // Tear-down: stop all, finalise the library, save settings and aliases.
  void shutdown();

  // Commands.
  void start_all();
  void stop_all();
  void start_camera(std::int32_t id);
  void stop_camera(std::int32_t id);
  void toggle_camera(std::int32_t id);
  void add_or_update(const CameraRecord& record);
  // A configured camera's new record. One that was waiting, running or had
  // failed (its retry would use the old record) starts again at once with
  // it; one that completed or was stopped by hand waits for its next run.
  // True when it was started again.
  bool change_camera(const CameraRecord& record);
  bool remove_camera(std::int32_t id);
  // Saves the alias file at once (reported through saveFailed).
  void set_alias(std::int32_t id, const std::string& alias);
  // Per-camera options: saved at once (false when the file cannot be
  // written; the change still holds in memory); used from the next run on.
  CameraOptions camera_options(std::int32_t id) const;
  bool set_camera_options(std::int32_t id, const CameraOptions& options);
  // After min-free or keep-days changed in settings(): used from the next
  // camera started on.
  void apply_disk_settings();
  std::string alias_of(std::int32_t id) const;

  // Store. Every save that fails is reported: a line on standard error and
  // saveFailed.
  bool save_settings();
  bool save_aliases();
  bool load_cameras();  // stops all first
  bool save_cameras();  // and tells the sibling
  int reload_download_root();
  // Counts the automatic interval from the last automatic run (or from now
  // when there is none) and arms the timer that starts it.
  void arm_auto_sync();
  AutoRunDue next_automatic_run() const;

  const CameraTable& cameras() const { return cameras_; }
  const CameraView& view(std::int32_t id) { return views_[id]; }
  SyncScheduler& scheduler() { return *scheduler_; }
  SystemSettings& settings() { return settings_; }
  const std::deque<std::int32_t>& retry_list() const { return retry_.ids(); }
  // When the retry timer next starts the cameras on the retry list (ms since
  // 1970; 0 when it is not running).
  std::int64_t next_retry_ms() const { return retry_due_ms_; }
  // What is known about the camera right now.
  LiveCamera live(std::int32_t id) const;
  // The last run of a camera in this process or, before that, in the
  // history log (null when it never ran).
  const RunResult* last_run(std::int32_t id) const;
  // When the camera last completed a run, seconds since 1970 (0 = never).
  std::int64_t last_completed(std::int32_t id) const;
  const ControllerOptions& options() const { return options_; }
  // Tells of failed runs (desktop notices, the notify command).
  RunNotifier& notifier() { return *notifier_; }
  // Asks the sibling's endpoint directly (blocks up to 500 ms): for tests and
  // tools; the scheduler's offers never wait for it.
  bool sibling_present() const;
  // The cameras found on the local network (by us or by the sibling).
  std::map<std::int32_t, DiscoveryRecord> discovered() const { return search_.table(); }
  // The table of cameras found on the local network.
  SearchManager& search() { return search_; }
  // The sibling asked us to pause our own discovery (it resumes 3 s after
  // it says so).
  bool discovery_paused() const { return discovery_paused_; }

signals:
  void statusChanged(int camera_id, int status);
  void countsChanged(int camera_id, int done, int total);
  void fileProgress(int camera_id, int percent);
  void currentFileChanged(int camera_id, const QString& name);
  void fileFailed(int camera_id, const QString& name, const QString& reason);
  void failureReason(int camera_id, const QString& reason);
  // One answer to a delete request (result: CardDeleteResult).
  void cardDeleteAnswered(int camera_id, const QString& name, int result);
  // Retention removed old recordings after a successful run.
  void recordingsRemoved(int camera_id, int files, qint64 bytes, int keep_days);
  // A camera's run ended; last_run() has its result, already in the history.
  void runEnded(int camera_id);
  // A camera was started by hand or by the automatic timer (not a retry).
  void runRequested(int camera_id);
  void speedUpdated(qint64 kilobytes_per_second);
  void camerasChanged();
  void autoSyncFired(const QString& when);
  void downloadRootChanged(const QString& root);
  void discoveryChanged();
  // A state file could not be written (reason: the system's words); the
  // change still holds in memory and the next save tries again.
  void saveFailed(const QString& path, const QString& reason);

protected:
  void handle_event(const EngineEvent& e) override;
  void handle_window_timer(int id) override;
  void handle_camera_timer(std::int32_t camera_id) override;

private:
  // One reaction per event; a new event type without one does not compile.
  void on_event(const SyncStatusEvent& e);
  void on_event(const SyncCountsEvent& e);
  void on_event(const FileProgressEvent& e);
  void on_event(const WrongPasswordEvent& e);
  void on_event(const CurrentFileEvent& e);
  void on_event(const FileFailedEvent& e);
  void on_event(const FailureReasonEvent& e);
  void on_event(const CardDeleteEvent& e);
  void on_event(const ServerSeizedEvent& e);
  void on_event(const DiscoveryChangedEvent& e);
  void on_event(const ReloadCamerasEvent& e);
  void on_event(const ReloadDownloadRootEvent& e);
  void on_event(const ServerHandoverEvent& e);
  void on_event(const PauseDiscoveryEvent& e);
  void on_event(const ResumeDiscoveryEvent& e);
  void on_event(const AutostartResultEvent& e);
  void on_event(const CopyDataEvent& e);
  void on_event(const AddLocalCameraEvent& e);
  void on_event(const AddRemoteCameraEvent& e);
  void on_event(const IntervalChangedEvent& e);
  void on_status(std::int32_t id, std::int32_t status);
  void apply_retention_of(std::int32_t id, CameraView& view);
  void release(std::int32_t id);
  void end_run(std::int32_t id, std::int32_t status);
  void run_retry();
  void start_discovery();
  bool is_local(std::int32_t id) const;
  void offer_server_to_sibling(std::int32_t camera_id, const std::string& serial,
                               std::function<void(bool asked)> done);
  void tell_sibling(std::uint32_t msg);
  bool saved(bool ok, const std::string& path);
  void schedule_auto_check();
  void run_automatic(std::int64_t now_ms);

  ControllerOptions options_;
  SystemSettings settings_;
  AliasTable aliases_;
  CameraTable cameras_;
  CameraOptionsTable camera_options_;
  std::map<std::int32_t, CameraView> views_;
  std::map<std::int32_t, RateWindow> rates_;  // bytes written per camera, over time
  std::int64_t retry_due_ms_ = 0;
  RetryList retry_;
  RunLedger ledger_;
  std::unique_ptr<RunHistory> history_;
  std::map<std::int32_t, CameraHistory> past_;  // per camera, as the history says
  // The automatic schedule: the last automatic run's start (seconds), when
  // the count began without one, and the cameras of the current round.
  std::int64_t auto_last_s_ = 0;
  std::int64_t auto_since_ms_ = 0;
  std::map<std::int32_t, std::int64_t> auto_round_;
  SiblingInbox inbox_{*this};
  SearchManager search_;
  std::unique_ptr<SyncScheduler> scheduler_;
  std::unique_ptr<LinkEndpoint> endpoint_;
  std::unique_ptr<RunNotifier> notifier_;
  bool sdk_started_ = false;
  bool discovery_paused_ = false;
  // Whether the sibling's window was there at the last look (main thread
  // looks; discovery threads read).
  std::atomic<bool> sibling_seen_{false};
};

}  // namespace velmora
