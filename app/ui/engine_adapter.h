// The window's one door to the sync engine: it forwards what the engine
// reports as Qt signals and turns the widgets' commands into engine calls
// and posted messages. Widgets never include engine headers. Main thread only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace velmora {

class RemoteLoginSession;
class SyncController;

namespace ui {

// One run of a camera as the window tells it: its status, the reason it
// failed and what the user can do about it, in the user's language.
struct RunSummary {
  bool has_run = false;
  int status = 0;           // the final status (0: the run did not finish)
  bool ok = false;          // completed and stored everything it found missing
  QString outcome;          // the status's text
  QString reason;           // why it failed ("" when it did not)
  QString advice;           // what to do about it ("" when nothing)
  qint64 started = 0;       // seconds since 1970
  qint64 ended = 0;
  int fetched = 0;          // recordings stored
  int queued = 0;           // recordings missing when it started
};

struct CameraRow {
  int id = 0;
  QString label;  // alias, else "%d(%s)" (local) or "%s(%d)" (remote)
  bool local = true;
  qint64 last_completed = 0;  // when its last run completed, seconds since 1970 (0 = never)
  RunSummary last_run;        // the last run, from the history at start-up
};

// Where a camera stands: not started, waiting for a free slot, or running.
enum class CameraState : int { Idle = 0, Waiting = 1, Running = 2 };

// What the add-remote dialog needs of a remote camera.
struct RemoteAccount {
  QString server_address, user, password, serial;
};

class EngineAdapter : public QObject {
  Q_OBJECT
public:
  explicit EngineAdapter(SyncController& controller, QObject* parent = nullptr);
  ~EngineAdapter() override;

  // Camera table.
  std::vector<CameraRow> cameras() const;  // ascending id
  bool has_camera(int id) const;
  bool is_local(int id) const;
  CameraState state_of(int id) const;
  QString alias(int id) const;
  // When the camera last completed a run, seconds since 1970 (0 = never).
  qint64 last_completed(int id) const;
  RemoteAccount remote_account(int id) const;
  // The camera's last run (this session's or the history's), and its last
  // `max` runs from the history, newest first.
  RunSummary last_run(int id) const;
  std::vector<RunSummary> recent_runs(int id, int max) const;
  // When the last automatic run started, seconds since 1970 (0 = never).
  qint64 last_automatic_run() const;

  // Commands.
  void start_all();
  void stop_all();
  void start(const std::vector<int>& ids);
  void stop(const std::vector<int>& ids);
  void toggle(int id);
  void remove(const std::vector<int>& ids);
  void set_alias(int id, const QString& alias);
  // Stops the camera, stores the new password and saves the list. False with
  // a reason when the password does not fit (15 bytes).
  bool set_local_password(int id, const QString& password, QString& error);
  // A local camera's address (dotted) and password; false for another camera.
  bool local_settings(int id, QString& address, QString& password) const;
  // Stores the camera's new address and password and saves the list; the
  // camera starts again with them if it was waiting, running or had failed.
  // False with a reason when either does not fit a camera record.
  bool set_local_camera(int id, const QString& address, const QString& password, QString& error);

  // Builds a camera record and posts it to the main window as an addition.
  bool add_local_camera(int id, const QString& ipv4, const QString& password, QString& error);
  bool add_remote_camera(int id, const RemoteAccount& account, QString& error);

  // Folders.
  QString download_root() const;
  // The camera's folder if it exists, else the download root.
  QString folder_to_open(int id) const;
  QString background_picture() const;
  // Where the download root comes from: 0 chosen here (or with "velmora
  // settings download-folder"), 1 the sibling's settings, 2 the default.
  int download_root_source() const;
  // Checks the folder (absolute, can be created, writable), makes it the
  // download root for the runs started from now on and saves the settings.
  // False with the reason when the folder cannot be used or saved.
  bool set_download_folder(const QString& folder, QString& error);

  // Settings: each change is saved at once.
  int concurrency() const;
  void set_concurrency(int n);
  int interval_code() const;
  void set_interval_code(int code);  // stores it and posts the change
  bool auto_start() const;
  // Free space to keep on the download disk and days to keep recordings;
  // used from the next camera started, saved with the other settings.
  qint64 min_free_bytes() const;
  void set_min_free_bytes(qint64 bytes);
  int keep_days() const;
  void set_keep_days(int days);
  // Least wait between the chunk requests of a download (0 = no limit);
  // used from the next chunk on, saved with the other settings.
  int pacing_ms() const;
  void set_pacing_ms(int ms);
  // Asks the start-at-login helper for the opposite of the stored flag; the
  // flag changes only when the helper reports success.
  void request_autostart_toggle();
  QString autostart_module() const;
  void set_autostart_module(const QString& path);  // tests
  QString program_path() const;
  // Writes the settings and aliases now (the session is ending).
  void save_state();

  // Discovery: the cameras found on the local network, "%d(%s)" by id.
  std::map<int, QString> discovered_texts() const;
  // Asks the sibling program for its discovery table if it runs.
  void request_sibling_discovery_list();
  // Whether our discovery listens, and why not when it cannot ("" when the
  // sibling program discovers for both).
  bool discovery_listening() const;
  QString discovery_problem() const;

  unsigned short server_port() const;

  // The add-remote dialog's own login at a video server, one at a time
  // (opening another ends the last): it reports through the remote* signals.
  void open_remote_login(const RemoteAccount& account);
  void close_remote_login();
  // Asks for the relay ticket of a camera of the last list; false when it
  // is not in that list or no login is open.
  bool request_remote_ticket(int camera_id);

signals:
  void statusChanged(int camera_id, int status);
  void countsChanged(int camera_id, int done, int total);
  void fileProgress(int camera_id, int percent);
  void currentFileChanged(int camera_id, const QString& name);
  // A camera's run ended (its outcome is in the history).
  void runEnded(int camera_id);
  // A camera's run failed; said once per camera and run, while desktop
  // notifications are on.
  void runFailedNotice(int camera_id, int status, const QString& outcome, const QString& reason);
  void speedUpdated(qint64 kilobytes_per_second);
  void camerasChanged();
  // A posted addition is about to replace the record of a configured camera.
  void cameraReplacing(int camera_id);
  void autoSyncFired(const QString& when);
  void discoveryChanged();
  void autostartFailed();
  // A state file could not be written; the change holds until the next save.
  void saveFailed(const QString& path, const QString& reason);
  // The add-remote login's camera list, its loss, and a ticket the server
  // granted (the camera may be added).
  void remoteCameraList(const QList<int>& ids);
  void remoteConnectionBroken();
  void remoteTicketAccepted(int camera_id);
  // The login or a ticket came to nothing: a RemoteLoginSession::Failure.
  void remoteLoginFailed(int failure, int detail);
  // Every message this adapter posts to the engine (tests count them).
  void posted(unsigned message);

private:
  void run_autostart_module();

  SyncController& controller_;
  QString autostart_module_;
  QProcess* autostart_process_ = nullptr;
  RemoteLoginSession* remote_login_ = nullptr;
};

}  // namespace ui
}  // namespace velmora
