#include "camera_probe.h"

#include <QCoreApplication>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace velmora {

namespace {

template <typename T>
T field(const char* body, std::size_t offset) {
  T value;
  std::memcpy(&value, body + offset, sizeof value);
  return value;
}

std::string says(const char* text) { return QCoreApplication::translate("Console", text).toStdString(); }

}  // namespace

CameraProbe::CameraProbe() { module_.RegisterMsgHandler(this); }

CameraProbe::~CameraProbe() { close(); }

void CameraProbe::close() {
  module_.RegisterMsgHandler(nullptr);
  module_.DisconnectCamera();
  if (server_used_) {
    server_used_ = false;
    server_.RegisterMessageNofity(nullptr);
    server_.LogoutServer();
  }
}

// Every answer restarts the clock: a long list may take what it needs, a
// silent camera is given up after 10 s.
template <typename Pred>
bool CameraProbe::wait(std::unique_lock<std::mutex>& lock, Pred ready) {
  for (;;) {
    const unsigned long seen = answers_;
    if (!cv_.wait_for(lock, std::chrono::seconds(10),
                      [&] { return ready() || answers_ != seen; }))
      return false;
    if (ready()) return true;
  }
}

void CameraProbe::answered() {
  ++answers_;
  cv_.notify_all();
}

bool CameraProbe::login(const std::string& ipv4, const std::string& password, std::string& error,
                        bool& wrong_password) {
  wrong_password = false;
  unsigned char block[16] = {};
  std::memcpy(block, password.data(), std::min<std::size_t>(password.size(), 15));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connect_result_ = kPending;
    closed_ = false;
  }
  if (module_.ConnectLocalCamera(ipv4.c_str(), block) != 0) {
    error = says(QT_TRANSLATE_NOOP("Console", "the connection could not be started"));
    return false;
  }
  return await_login(error, wrong_password);
}

bool CameraProbe::await_login(std::string& error, bool& wrong_password) {
  wrong_password = false;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!wait(lock, [&] { return connect_result_ != kPending; })) {
    error = says(QT_TRANSLATE_NOOP("Console", "the camera did not answer within 10 s"));
    return false;
  }
  if (connect_result_ == 0) return true;
  if (connect_result_ == -8) {
    wrong_password = true;
    error = says(QT_TRANSLATE_NOOP("Console", "wrong password"));
  } else if (connect_result_ > 0) {
    error = says(QT_TRANSLATE_NOOP("Console", "cannot connect: %1"));
    error = QString::fromStdString(error)
                .arg(QString::fromLocal8Bit(std::strerror(connect_result_)))
                .toStdString();
  } else {
    error = QString::fromStdString(says(QT_TRANSLATE_NOOP("Console", "login refused (%1)")))
                .arg(connect_result_)
                .toStdString();
  }
  return false;
}

// Each step waits for the server's answer to the last one; the library's
// thread only records answers, so no request is made from inside a callback.
bool CameraProbe::login_remote(const CameraRecord& record, unsigned short server_port,
                               std::string& error, bool& wrong_password) {
  wrong_password = false;
  const QString server = QString::fromStdString(field_text(record.server_address));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    server_connect_ = server_access_ = connect_result_ = kPending;
    server_broken_ = list_received_ = ticket_received_ = closed_ = false;
  }
  server_used_ = true;
  server_.RegisterMessageNofity(this);
  const std::string address = field_text(record.server_address);
  const QString silent =
      QCoreApplication::translate("Console", "the video server %1 did not answer within 10 s").arg(server);
  if (server_.ConnectServer(address.c_str(), server_port) != 0) {
    error = says(QT_TRANSLATE_NOOP("Console", "the connection could not be started"));
    return false;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!wait(lock, [&] { return server_connect_ != kPending; })) {
    error = silent.toStdString();
    return false;
  }
  if (server_connect_ != 0) {
    error = QCoreApplication::translate("Console", "server %1 unreachable (%2)")
                .arg(server, QString::fromLocal8Bit(std::strerror(server_connect_)))
                .toStdString();
    return false;
  }
  lock.unlock();
  server_.LoginServer(field_text(record.user).c_str(), field_text(record.server_password).c_str(),
                      field_text(record.serial).c_str());
  lock.lock();
  if (!wait(lock, [&] { return server_access_ != kPending || server_broken_; }) ||
      server_access_ == kPending) {
    error = silent.toStdString();
    return false;
  }
  if (server_access_ != 0) {
    wrong_password = true;
    error = QCoreApplication::translate("Console",
                                        "server login refused (user %1, serial %2; result %3): "
                                        "check the user, password and serial")
                .arg(QString::fromStdString(field_text(record.user)),
                     QString::fromStdString(serial_of(record)))
                .arg(server_access_)
                .toStdString();
    return false;
  }
  lock.unlock();
  server_.SendNVTListRequest();
  lock.lock();
  if (!wait(lock, [&] { return list_received_ || server_broken_; }) || !list_received_) {
    error = silent.toStdString();
    return false;
  }
  auto it = std::find_if(account_cameras_.begin(), account_cameras_.end(), [&](const auto& c) {
    return static_cast<std::int32_t>(c.nvt_id) == record.camera_id;
  });
  if (it == account_cameras_.end()) {
    error = QCoreApplication::translate("Console", "camera not in this account (serial %1 on %2)")
                .arg(QString::fromStdString(serial_of(record)), server)
                .toStdString();
    return false;
  }
  const NVS_SDK_V160::CAMERA_INFO info = *it;
  lock.unlock();
  server_.RequestRelayKey(info);
  lock.lock();
  if (!wait(lock, [&] { return ticket_received_ || server_broken_; }) || !ticket_received_) {
    error = silent.toStdString();
    return false;
  }
  NVS_SDK_V160::RELAY_TICKET t = ticket_;
  lock.unlock();
  char relay[16];
  std::snprintf(relay, sizeof relay, "%d.%d.%d.%d", t.address[0], t.address[1], t.address[2],
                t.address[3]);
  module_.SetNVTInfo(info);
  module_.SetVIFsUserInfo(server_.GetUserInfo());
  module_.SetRelayKey(t.relay_key);
  if (module_.ConnectRemoteCamera(relay, t.port) != 0) {
    error = says(QT_TRANSLATE_NOOP("Console", "the connection could not be started"));
    return false;
  }
  return await_login(error, wrong_password);
}

bool CameraProbe::catalogue(std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& out,
                            std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    record_count_ = -1;
    list_complete_ = false;
    catalogue_.clear();
  }
  const std::string lost = says(QT_TRANSLATE_NOOP("Console", "the camera did not send its recording list"));
  if (module_.RequestCameraRecordInfomation() != 0) {
    error = lost;
    return false;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (!wait(lock, [&] { return record_count_ >= 0 || closed_; }) || closed_) {
    error = lost;
    return false;
  }
  if (record_count_ > 0) {
    const auto count = static_cast<unsigned short>(record_count_);
    lock.unlock();
    const bool asked = module_.RequestCameraRecordList(0, count) == 0;
    lock.lock();
    if (!asked || !wait(lock, [&] { return list_complete_ || closed_; }) || closed_) {
      error = lost;
      return false;
    }
  }
  out = catalogue_;
  return true;
}

void CameraProbe::OnConnectResult(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  connect_result_ = result;
  closed_ = result != 0;
  answered();
}

void CameraProbe::OnConnectionClose(int) {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  if (connect_result_ == kPending) connect_result_ = -1;
  answered();
}

void CameraProbe::OnRecordStatisticInfomation(const char* body) {
  std::lock_guard<std::mutex> lock(mutex_);
  record_count_ = field<std::uint16_t>(body, 0);
  answered();
}

// A page: u16 entries, u16 last-page flag, then 48-byte entries. The
// library checked the page against its frame; the count the camera stated
// first still bounds what is kept, so a camera that keeps sending pages
// cannot grow the list without end.
void CameraProbe::OnRecordListInfomation(const char* body) {
  const std::uint16_t n = field<std::uint16_t>(body, 0);
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::uint16_t i = 0; i < n; ++i) {
    if (static_cast<int>(catalogue_.size()) >= record_count_) break;
    catalogue_.push_back(field<NVS_SDK_V160::RECORD_FILE_ENTRY>(body, 4 + 48u * i));
  }
  if (field<std::uint16_t>(body, 2) != 0) list_complete_ = true;
  answered();
}

int CameraProbe::OnConnectServer(int error) {
  std::lock_guard<std::mutex> lock(mutex_);
  server_connect_ = error;
  answered();
  return 0;
}

int CameraProbe::OnConnectionBroken(int) {
  std::lock_guard<std::mutex> lock(mutex_);
  server_broken_ = true;
  answered();
  return 0;
}

int CameraProbe::OnAccessResponse(int result) {
  std::lock_guard<std::mutex> lock(mutex_);
  server_access_ = result;
  answered();
  return 0;
}

// Never read past the list, whatever its count says.
int CameraProbe::OnReceiveNVTList(const unsigned char* list, int size) {
  constexpr int kFrame = NVS_SDK_V160::kNvtListHeaderBytes + NVS_SDK_V160::kNvtListTailBytes;
  if (!list || size < kFrame) return 0;
  std::uint32_t count;
  std::memcpy(&count, list, sizeof count);
  const std::size_t room =
      (static_cast<std::size_t>(size) - kFrame) / sizeof(NVS_SDK_V160::CAMERA_INFO);
  const std::size_t n = std::min<std::size_t>(count, room);
  std::lock_guard<std::mutex> lock(mutex_);
  account_cameras_.resize(n);
  for (std::size_t i = 0; i < n; ++i)
    std::memcpy(&account_cameras_[i],
                list + NVS_SDK_V160::kNvtListHeaderBytes + i * sizeof(NVS_SDK_V160::CAMERA_INFO),
                sizeof(NVS_SDK_V160::CAMERA_INFO));
  list_received_ = true;
  answered();
  return 0;
}

int CameraProbe::OnRelayTicket(unsigned int, const unsigned char* ticket) {
  if (!ticket) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  std::memcpy(&ticket_, ticket, sizeof ticket_);
  ticket_received_ = true;
  answered();
  return 0;
}

}  // namespace velmora
