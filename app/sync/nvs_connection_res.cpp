#include "nvs_connection_res.h"

#include <QCoreApplication>

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "cam_connection_res.h"
#include "window_messages.h"

namespace velmora {

using NVS_SDK_V160::CAMERA_INFO;

namespace {

constexpr std::size_t kEntryBytes = sizeof(CAMERA_INFO);
constexpr int kListHeader = NVS_SDK_V160::kNvtListHeaderBytes;
constexpr int kListTail = NVS_SDK_V160::kNvtListTailBytes;

}  // namespace

NVSConnentionRES::NVSConnentionRES(MessageSink& sink)
    : sink_(sink), module_(std::make_shared<NVS_SDK_V160::NVS_Client_Module>()) {
  module_->RegisterMessageNofity(this);
}

NVSConnentionRES::~NVSConnentionRES() { module()->RegisterMessageNofity(nullptr); }

std::shared_ptr<NVS_SDK_V160::NVS_Client_Module> NVSConnentionRES::module() const {
  MutexLock lock(mutex_);
  return module_;
}

void NVSConnentionRES::bind(const CameraRecord& account) {
  MutexLock lock(mutex_);
  account_ = account;
  ++binding_;
  free_ = false;
  logged_in_ = false;
  list_received_ = false;
  awaiting_handover_ = false;
  connect_started_ = false;
  cameras_.clear();
  pending_.clear();
  workers_.clear();
}

void NVSConnentionRES::attach(std::int32_t camera_id, CamConnentionRES* worker) {
  MutexLock lock(mutex_);
  workers_[camera_id] = worker;
}

void NVSConnentionRES::detach(std::int32_t camera_id) {
  MutexLock lock(mutex_);
  workers_.erase(camera_id);
  pending_.erase(std::remove(pending_.begin(), pending_.end(), camera_id), pending_.end());
}

void NVSConnentionRES::open(std::int32_t camera_id, unsigned short port,
                            const SiblingOffer& offer) {
  std::string serial;
  {
    MutexLock lock(mutex_);
    port_ = port;
    serial = serial_of(account_);
  }
  if (!offer) {
    connect_server();
    return;
  }
  std::uint64_t binding;
  {
    MutexLock lock(mutex_);
    awaiting_handover_ = true;
    binding = binding_;
  }
  std::weak_ptr<int> alive = life_;
  offer(camera_id, serial, [this, alive, binding](bool asked) {
    if (asked || alive.expired()) return;  // the sibling answers with WM_SERVER_HANDOVER
    {
      MutexLock lock(mutex_);
      // Logged out or bound to another account meanwhile: not ours now.
      if (free_ || binding != binding_ || !awaiting_handover_) return;
      awaiting_handover_ = false;
    }
    connect_server();
  });
}

void NVSConnentionRES::handover_accepted() {
  {
    MutexLock lock(mutex_);
    if (free_ || !awaiting_handover_) return;
    awaiting_handover_ = false;
  }
  connect_server();
}

void NVSConnentionRES::connect_server() {
  std::string address;
  unsigned short port;
  {
    MutexLock lock(mutex_);
    if (connect_started_) return;
    connect_started_ = true;
    address = field_text(account_.server_address);
    port = port_;
  }
  auto m = module();
  m->RegisterMessageNofity(this);
  // A refused connect (bad address, busy module) reports nothing: the
  // camera's connect timer gives it status 155, as for an unreachable server.
  m->ConnectServer(address.c_str(), port);
}

void NVSConnentionRES::request_ticket(std::int32_t camera_id) {
  CAMERA_INFO info;
  {
    MutexLock lock(mutex_);
    auto it = cameras_.find(camera_id);
    if (it == cameras_.end()) {
      tell_cameras_locked({camera_id}, FAILURE_NOT_IN_ACCOUNT, not_in_account_locked());
      return;
    }
    info = it->second;
  }
  module()->RequestRelayKey(info);
}

void NVSConnentionRES::add_pending(std::int32_t camera_id) {
  MutexLock lock(mutex_);
  pending_.push_back(camera_id);
  pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
}

void NVSConnentionRES::logout() {
  bool started;
  {
    MutexLock lock(mutex_);
    started = connect_started_;
    logged_in_ = false;
    list_received_ = false;
    awaiting_handover_ = false;
    connect_started_ = false;
    pending_.clear();
    workers_.clear();
    cameras_.clear();
    free_ = true;
    ++binding_;
  }
  auto m = module();
  m->RegisterMessageNofity(nullptr);
  if (m->LogoutServer() != 0 && started) {
    // Not logged in, yet the connection may still be open (a refused login
    // leaves it so) and the module would stay busy for the next account.
    // The library has no plain disconnect: start over with a fresh module;
    // the old connection closes when the server or the library ends it.
    auto fresh = std::make_shared<NVS_SDK_V160::NVS_Client_Module>();
    MutexLock lock(mutex_);
    module_ = std::move(fresh);
  }
}

bool NVSConnentionRES::is_free() const {
  MutexLock lock(mutex_);
  return free_;
}

bool NVSConnentionRES::list_received() const {
  MutexLock lock(mutex_);
  return list_received_;
}

bool NVSConnentionRES::logged_in() const {
  MutexLock lock(mutex_);
  return logged_in_;
}

std::string NVSConnentionRES::serial() const {
  MutexLock lock(mutex_);
  return serial_of(account_);
}

std::string NVSConnentionRES::not_in_account_locked() const {
  return QCoreApplication::translate("Console", "camera not in this account (serial %1 on %2)")
                    .arg(QString::fromStdString(serial_of(account_)),
                         QString::fromStdString(field_text(account_.server_address)))
                    .toStdString();
}

void NVSConnentionRES::tell_cameras_locked(const std::vector<std::int32_t>& ids,
                                           FailureKind kind, const std::string& reason) {
  for (std::int32_t id : ids)
    sink_.post(FailureReasonEvent{id, kind, reason});
}

std::vector<std::int32_t> NVSConnentionRES::attached_locked() const {
  std::vector<std::int32_t> ids;
  for (const auto& [id, worker] : workers_) {
    (void)worker;
    ids.push_back(id);
  }
  return ids;
}

int NVSConnentionRES::OnConnectServer(int error) {
  assert(off_window_thread());
  if (error != 0) {
    // Still ended by the cameras' connect timers; this only says why.
    MutexLock lock(mutex_);
    if (free_) return 0;
    std::string why = std::strerror(error);
    if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    tell_cameras_locked(attached_locked(), FAILURE_SERVER_UNREACHABLE,
                        QCoreApplication::translate("Console", "server %1 unreachable (%2)")
                            .arg(QString::fromStdString(field_text(account_.server_address)),
                                 QString::fromLocal8Bit(why.c_str()))
                            .toStdString());
    return 0;
  }
  std::string user, password, serial;
  {
    MutexLock lock(mutex_);
    if (free_) return 0;
    user = field_text(account_.user);
    password = field_text(account_.server_password);
    serial = field_text(account_.serial);
  }
  module()->LoginServer(user.c_str(), password.c_str(), serial.c_str());
  return 0;
}

int NVSConnentionRES::OnAccessResponse(int result) {
  assert(off_window_thread());
  if (result != 0) {
    MutexLock lock(mutex_);
    if (free_) return 0;
    tell_cameras_locked(attached_locked(), FAILURE_SERVER_LOGIN_REFUSED,
                        QCoreApplication::translate("Console",
                                                    "server login refused (user %1, serial %2; "
                                                    "result %3): check the user, password and "
                                                    "serial")
                            .arg(QString::fromStdString(field_text(account_.user)),
                                 QString::fromStdString(serial_of(account_)))
                            .arg(result)
                            .toStdString());
    return 0;
  }
  {
    MutexLock lock(mutex_);
    if (free_) return 0;
    logged_in_ = true;
  }
  module()->SendNVTListRequest();
  return 0;
}

int NVSConnentionRES::OnReceiveNVTList(const unsigned char* list, int size) {
  assert(off_window_thread());
  if (!list || size < kListHeader + kListTail) return 0;
  std::uint32_t count;
  std::memcpy(&count, list, sizeof count);
  // Never read past the buffer, whatever the count says.
  const std::size_t room =
      (static_cast<std::size_t>(size) - kListHeader - kListTail) / kEntryBytes;
  const std::size_t n = std::min<std::size_t>(count, room);
  std::vector<CAMERA_INFO> wanted;
  {
    MutexLock lock(mutex_);
    if (free_) return 0;
    cameras_.clear();
    for (std::size_t i = 0; i < n; ++i) {
      CAMERA_INFO info;
      std::memcpy(&info, list + kListHeader + i * kEntryBytes, sizeof info);
      cameras_[static_cast<std::int32_t>(info.nvt_id)] = info;
    }
    list_received_ = true;
    std::vector<std::int32_t> missing;
    for (std::int32_t id : pending_) {
      auto it = cameras_.find(id);
      if (it != cameras_.end()) {
        wanted.push_back(it->second);
      } else {
        missing.push_back(id);
      }
    }
    pending_.clear();
    tell_cameras_locked(missing, FAILURE_NOT_IN_ACCOUNT, not_in_account_locked());
  }
  auto m = module();
  for (const CAMERA_INFO& info : wanted) m->RequestRelayKey(info);
  return 0;
}

int NVSConnentionRES::OnRelayTicket(unsigned int camera_id, const unsigned char* ticket) {
  assert(off_window_thread());
  if (!ticket) return 0;
  const auto id = static_cast<std::int32_t>(camera_id);
  CamConnentionRES* worker = nullptr;
  CAMERA_INFO info;
  {
    MutexLock lock(mutex_);
    if (free_) return 0;
    auto w = workers_.find(id);
    auto c = cameras_.find(id);
    if (w == workers_.end() || c == cameras_.end()) return 0;
    worker = w->second;
    info = c->second;
  }
  NVS_SDK_V160::RELAY_TICKET t;
  std::memcpy(&t, ticket, sizeof t);
  char address[16];
  std::snprintf(address, sizeof address, "%d.%d.%d.%d", t.address[0], t.address[1],
                t.address[2], t.address[3]);
  // The ticket's first word is not looked at: a refused ticket carries no
  // endpoint, and the relay connect then fails and reports itself.
  worker->connect_remote(id, info, module()->GetUserInfo(), t.relay_key, address, t.port);
  return 0;
}

int NVSConnentionRES::OnSeizeNotify() {
  assert(off_window_thread());
  std::string serial;
  {
    MutexLock lock(mutex_);
    if (free_) return 0;
    serial = serial_of(account_);
  }
  // The scheduler is window-thread only: let the window drop the cameras.
  sink_.post(ServerSeizedEvent{serial});
  return 0;
}

}  // namespace velmora
