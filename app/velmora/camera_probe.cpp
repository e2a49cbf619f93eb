#include "camera_probe.h"

#include <QCoreApplication>

#include <algorithm>

#include <chrono>
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

}  // namespace velmora
