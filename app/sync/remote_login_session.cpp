#include "remote_login_session.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmora {

namespace {

constexpr std::size_t kEntryBytes = sizeof(NVS_SDK_V160::CAMERA_INFO);
constexpr int kListOverhead = 32;  // the count word and a tail that carries nothing

std::vector<std::unique_ptr<RemoteLoginSession>>& parked() {
  static std::vector<std::unique_ptr<RemoteLoginSession>> sessions;
  return sessions;
}

}  // namespace

RemoteLoginSession::RemoteLoginSession(const Account& account) : account_(account) {}

RemoteLoginSession::~RemoteLoginSession() = default;

RemoteLoginSession* RemoteLoginSession::open(const Account& account) {
  parked().push_back(std::unique_ptr<RemoteLoginSession>(new RemoteLoginSession(account)));
  return parked().back().get();
}

void RemoteLoginSession::start(unsigned short port) {
  NVS_SDK_V160::NVS_Client_Module* module;
  {
    MutexLock lock(mutex_);
    module_ = std::make_unique<NVS_SDK_V160::NVS_Client_Module>();
    module = module_.get();
  }
  // Connecting takes the library's lock, under which the library's thread
  // calls back and takes ours: holding ours here would invert the order.
  // Only close(), on this same thread, ever drops the module.
  module->RegisterMessageNofity(this);
  // A connect refused before it starts reports no callback of its own.
  if (module->ConnectServer(account_.server_address.constData(), port) != 0)
    emit failed(kUnreachable, 0);
}

void RemoteLoginSession::close() {
  std::unique_ptr<NVS_SDK_V160::NVS_Client_Module> module;
  {
    MutexLock lock(mutex_);
    if (closed_) return;
    closed_ = true;
    module = std::move(module_);
  }
  disconnect();
  if (!module) return;
  module->RegisterMessageNofity(nullptr);
  module->LogoutServer();
}

bool RemoteLoginSession::request_ticket(int camera_id) {
  MutexLock lock(mutex_);
  auto it = cameras_.find(camera_id);
  if (closed_ || !module_ || it == cameras_.end()) return false;
  return module_->RequestRelayKey(it->second) == 0;
}

int RemoteLoginSession::OnConnectServer(int error) {
  MutexLock lock(mutex_);
  if (closed_ || !module_) return 0;
  if (error == 0) {
    module_->LoginServer(account_.user.constData(), account_.password.constData(),
                         account_.serial.constData());
  } else {
    emit failed(kUnreachable, error);
  }
  return 0;
}

int RemoteLoginSession::OnAccessResponse(int result) {
  MutexLock lock(mutex_);
  if (closed_ || !module_) return 0;
  if (result == 0)
    module_->SendNVTListRequest();
  else
    emit failed(kLoginRefused, result);
  return 0;
}

int RemoteLoginSession::OnReceiveNVTList(const unsigned char* list, int size) {
  if (!list || size < kListOverhead) return 0;
  std::uint32_t count;
  std::memcpy(&count, list, sizeof count);
  // Never read past the message, whatever its count says.
  const std::size_t room = (static_cast<std::size_t>(size) - kListOverhead) / kEntryBytes;
  const std::size_t n = std::min<std::size_t>(count, room);
  QList<int> ids;
  MutexLock lock(mutex_);
  if (closed_) return 0;
  cameras_.clear();
  for (std::size_t i = 0; i < n; ++i) {
    NVS_SDK_V160::CAMERA_INFO info;
    std::memcpy(&info, list + 4 + i * kEntryBytes, sizeof info);
    const auto id = static_cast<int>(info.nvt_id);
    if (!cameras_.count(id)) ids.push_back(id);
    cameras_[id] = info;
  }
  emit cameraList(ids);
  return 0;
}

int RemoteLoginSession::OnConnectionBroken(int) {
  MutexLock lock(mutex_);
  if (closed_) return 0;
  cameras_.clear();
  emit connectionBroken();
  return 0;
}

int RemoteLoginSession::OnRelayTicket(unsigned int camera_id, const unsigned char* ticket) {
  if (!ticket) return 0;
  std::uint32_t first;
  std::memcpy(&first, ticket, sizeof first);
  MutexLock lock(mutex_);
  if (closed_) return 0;
  if (first != 0)  // refused: the camera is not added
    emit failed(kTicketRefused, static_cast<int>(first));
  else
    emit ticketAccepted(static_cast<int>(camera_id));
  return 0;
}

}  // namespace velmora
