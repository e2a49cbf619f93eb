#include "engine_adapter.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

#include "camera_record.h"
#include "search_manager.h"
#include "sibling_link.h"
#include "sync_controller.h"
#include "engine_events.h"
#include "link_messages.h"
#include "remote_login_session.h"

namespace velmora::ui {

namespace {

QString to_q(const std::string& s) { return QString::fromStdString(s); }

// Hands an event to the engine; `message` is its window-message number, which
// the posted signal reports.
void post_to(EngineAdapter& adapter, SyncController& controller, unsigned message,
             EngineEvent event) {
  emit adapter.posted(message);
  controller.post(std::move(event));
}

}  // namespace

EngineAdapter::EngineAdapter(SyncController& controller, QObject* parent)
    : QObject(parent), controller_(controller) {
  autostart_module_ =
      QFileInfo(to_q(controller_.settings().program_path)).absolutePath() + "/velmora-autostart";
  connect(&controller_, &SyncController::statusChanged, this, &EngineAdapter::statusChanged);
  connect(&controller_, &SyncController::countsChanged, this, &EngineAdapter::countsChanged);
  connect(&controller_, &SyncController::fileProgress, this, &EngineAdapter::fileProgress);
  connect(&controller_, &SyncController::currentFileChanged, this,
          &EngineAdapter::currentFileChanged);
  connect(&controller_, &SyncController::runEnded, this, &EngineAdapter::runEnded);
  connect(&controller_.notifier(), &RunNotifier::notice, this, &EngineAdapter::runFailedNotice);
  connect(&controller_, &SyncController::speedUpdated, this, &EngineAdapter::speedUpdated);
  connect(&controller_, &SyncController::camerasChanged, this, &EngineAdapter::camerasChanged);
  connect(&controller_, &SyncController::autoSyncFired, this, &EngineAdapter::autoSyncFired);
  connect(&controller_, &SyncController::discoveryChanged, this,
          &EngineAdapter::discoveryChanged);
  connect(&controller_, &SyncController::saveFailed, this, &EngineAdapter::saveFailed);
}

EngineAdapter::~EngineAdapter() {
  close_remote_login();
  if (autostart_process_) {
    autostart_process_->disconnect(this);
    autostart_process_->waitForFinished(2000);
  }
}

std::vector<CameraRow> EngineAdapter::cameras() const {
  std::vector<CameraRow> rows;
  for (const auto& [id, record] : controller_.cameras()) {
    CameraRow row;
    row.id = id;
    row.local = record.is_local != 0;
    const std::string alias = controller_.alias_of(id);
    row.label = to_q(alias.empty() ? display_name(record) : alias);
    row.last_completed = controller_.last_completed(id);
    row.last_run = last_run(id);
    rows.push_back(row);
  }
  return rows;
}

qint64 EngineAdapter::last_completed(int id) const { return controller_.last_completed(id); }

bool EngineAdapter::has_camera(int id) const { return controller_.cameras().count(id) != 0; }

bool EngineAdapter::is_local(int id) const {
  auto it = controller_.cameras().find(id);
  return it != controller_.cameras().end() && it->second.is_local != 0;
}

CameraState EngineAdapter::state_of(int id) const {
  switch (controller_.scheduler().state_of(id)) {
    case CAMERA_WAITING: return CameraState::Waiting;
    case CAMERA_ACTIVE: return CameraState::Running;
    case CAMERA_IDLE: break;
  }
  return CameraState::Idle;
}

QString EngineAdapter::alias(int id) const { return to_q(controller_.alias_of(id)); }

RemoteAccount EngineAdapter::remote_account(int id) const {
  RemoteAccount a;
  auto it = controller_.cameras().find(id);
  if (it == controller_.cameras().end()) return a;
  const CameraRecord& r = it->second;
  a.server_address = to_q(field_text(r.server_address));
  a.user = to_q(field_text(r.user));
  a.password = to_q(field_text(r.server_password));
  a.serial = to_q(field_text(r.serial));
  return a;
}

void EngineAdapter::start_all() { controller_.start_all(); }
void EngineAdapter::stop_all() { controller_.stop_all(); }

void EngineAdapter::start(const std::vector<int>& ids) {
  for (int id : ids) controller_.start_camera(id);
}

void EngineAdapter::stop(const std::vector<int>& ids) {
  for (int id : ids) controller_.stop_camera(id);
}

void EngineAdapter::toggle(int id) { controller_.toggle_camera(id); }

void EngineAdapter::remove(const std::vector<int>& ids) {
  for (int id : ids) controller_.remove_camera(id);
}

void EngineAdapter::set_alias(int id, const QString& alias) {
  controller_.set_alias(id, alias.toStdString());
}

bool EngineAdapter::set_local_password(int id, const QString& password, QString& error) {
  auto it = controller_.cameras().find(id);
  if (it == controller_.cameras().end() || !it->second.is_local) return false;
  CameraRecord r = it->second;
  if (!set_field_text(r.local_password, sizeof r.local_password, password.toStdString())) {
    error = tr("密码最长15个字节");
    return false;
  }
  controller_.add_or_update(r);
  return true;
}

bool EngineAdapter::local_settings(int id, QString& address, QString& password) const {
  auto it = controller_.cameras().find(id);
  if (it == controller_.cameras().end() || !it->second.is_local) return false;
  address = to_q(address_text(it->second));
  password = to_q(field_text(it->second.local_password));
  return true;
}

bool EngineAdapter::set_local_camera(int id, const QString& address, const QString& password,
                                     QString& error) {
  auto it = controller_.cameras().find(id);
  if (it == controller_.cameras().end() || !it->second.is_local) return false;
  CameraRecord r;
  std::string why;
  if (!make_local_record(id, address.toStdString(), password.toStdString(), r, why)) {
    error = to_q(why);
    return false;
  }
  controller_.change_camera(r);
  return true;
}

bool EngineAdapter::add_local_camera(int id, const QString& ipv4, const QString& password,
                                     QString& error) {
  CameraRecord r;
  std::string why;
  if (!make_local_record(id, ipv4.toStdString(), password.toStdString(), r, why)) {
    error = to_q(why);
    return false;
  }
  if (has_camera(id)) emit cameraReplacing(id);
  post_to(*this, controller_, WM_ADD_LOCAL_CAMERA, AddLocalCameraEvent{r});
  return true;
}

bool EngineAdapter::add_remote_camera(int id, const RemoteAccount& a, QString& error) {
  CameraRecord r;
  std::string why;
  if (!make_remote_record(id, a.server_address.toStdString(), a.user.toStdString(),
                          a.password.toStdString(), a.serial.toStdString(), r, why)) {
    error = to_q(why);
    return false;
  }
  if (has_camera(id)) emit cameraReplacing(id);
  post_to(*this, controller_, WM_ADD_REMOTE_CAMERA, AddRemoteCameraEvent{r});
  return true;
}

QString EngineAdapter::download_root() const {
  return to_q(controller_.scheduler().download_root());
}

QString EngineAdapter::folder_to_open(int id) const {
  const QString root = download_root();
  if (id >= 0 && has_camera(id)) {
    const QString folder = root + "/" + QString::number(id);
    if (QFileInfo(folder).isDir()) return folder;
  }
  return root;
}

QString EngineAdapter::background_picture() const {
  return to_q(controller_.options().paths.background_picture());
}

int EngineAdapter::concurrency() const { return controller_.scheduler().concurrency(); }

// Every settings change is saved when it is made: a session that ends
// without a confirmed close must not lose it.
void EngineAdapter::set_concurrency(int n) {
  controller_.scheduler().set_concurrency(n);
  controller_.save_settings();
}

int EngineAdapter::interval_code() const { return controller_.settings().interval_code; }

void EngineAdapter::set_interval_code(int code) {
  controller_.settings().interval_code = code;
  controller_.save_settings();
  post_to(*this, controller_, WM_INTERVAL_CHANGED, IntervalChangedEvent{});
}

bool EngineAdapter::auto_start() const { return controller_.settings().auto_start; }

qint64 EngineAdapter::min_free_bytes() const { return controller_.settings().min_free_bytes; }

void EngineAdapter::set_min_free_bytes(qint64 bytes) {
  controller_.settings().min_free_bytes = bytes;
  controller_.apply_disk_settings();
  controller_.save_settings();
}

int EngineAdapter::keep_days() const { return controller_.settings().keep_days; }

void EngineAdapter::set_keep_days(int days) {
  controller_.settings().keep_days = days;
  controller_.save_settings();
}

int EngineAdapter::pacing_ms() const { return controller_.settings().pacing_ms; }

void EngineAdapter::set_pacing_ms(int ms) {
  controller_.settings().pacing_ms = ms;
  controller_.scheduler().set_pacing_ms(ms);
  controller_.save_settings();
}

void EngineAdapter::save_state() {
  controller_.save_settings();
  controller_.save_aliases();
}

QString EngineAdapter::program_path() const { return to_q(controller_.settings().program_path); }

QString EngineAdapter::autostart_module() const { return autostart_module_; }

void EngineAdapter::set_autostart_module(const QString& path) { autostart_module_ = path; }

void EngineAdapter::request_autostart_toggle() {
  // The toggle is a message to the window like any other: it runs after the
  // settings dialog has closed.
  emit posted(WM_AUTOSTART_TOGGLE);
  QMetaObject::invokeMethod(this, [this] { run_autostart_module(); }, Qt::QueuedConnection);
}

void EngineAdapter::run_autostart_module() {
  if (autostart_process_) return;  // one request at a time
  const QString argument =
      QString(auto_start() ? " 0_%1" : " 1_%1").arg(program_path());
  auto* p = new QProcess(this);
  autostart_process_ = p;
  connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    autostart_process_ = nullptr;
    p->deleteLater();
    emit autostartFailed();
  });
  connect(p, &QProcess::finished, this, [this, p](int code, QProcess::ExitStatus status) {
    autostart_process_ = nullptr;
    p->deleteLater();
    const bool ok = status == QProcess::NormalExit && code == 0;
    controller_.post(AutostartResultEvent{ok});
  });
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->setStandardOutputFile(QProcess::nullDevice());
  p->start(autostart_module_, {argument});
}

std::map<int, QString> EngineAdapter::discovered_texts() const {
  // The table holds what our own discovery heard and, while the sibling
  // program runs, what its data copies carried; its change notice arrives as
  // the controller's discoveryChanged.
  std::map<int, QString> out;
  for (const auto& [id, text] : controller_.search().list_texts())
    out[id] = QString::fromStdString(text);
  return out;
}

void EngineAdapter::request_sibling_discovery_list() {
  if (!controller_.sibling_present()) return;
  LinkFrame f;
  f.msg = WM_REQUEST_DISCOVERY_LIST;
  send_frames(controller_.options().link_dir, QString::fromLatin1(kSiblingEndpoint), {f}, 500);
}

unsigned short EngineAdapter::server_port() const { return controller_.options().server_port; }

void EngineAdapter::open_remote_login(const RemoteAccount& account) {
  close_remote_login();
  RemoteLoginSession::Account a{account.server_address.toUtf8(), account.user.toUtf8(),
                                account.password.toUtf8(), account.serial.toUtf8()};
  remote_login_ = RemoteLoginSession::open(a);
  // The session reports on the library's thread.
  connect(remote_login_, &RemoteLoginSession::cameraList, this, &EngineAdapter::remoteCameraList,
          Qt::QueuedConnection);
  connect(remote_login_, &RemoteLoginSession::connectionBroken, this,
          &EngineAdapter::remoteConnectionBroken, Qt::QueuedConnection);
  connect(remote_login_, &RemoteLoginSession::ticketAccepted, this,
          &EngineAdapter::remoteTicketAccepted, Qt::QueuedConnection);
  connect(remote_login_, &RemoteLoginSession::failed, this, &EngineAdapter::remoteLoginFailed,
          Qt::QueuedConnection);
  remote_login_->start(server_port());
}

void EngineAdapter::close_remote_login() {
  if (remote_login_) remote_login_->close();
  remote_login_ = nullptr;
}

bool EngineAdapter::request_remote_ticket(int camera_id) {
  return remote_login_ && remote_login_->request_ticket(camera_id);
}


}  // namespace velmora::ui
