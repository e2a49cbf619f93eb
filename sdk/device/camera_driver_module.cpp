#include "device/camera_driver_module.h"

#include <cstring>
#include <string>

#include "device/device_messages.h"
#include "net/log.h"
#include "net/reactor.h"

namespace kestrune {

CameraDriverModule::CameraDriverModule() : receive_loop_(this) {}
CameraDriverModule::~CameraDriverModule() = default;

bool CameraDriverModule::logged_in(bool silent, int where) const {
  const int s = status();
  if (s == STATUS_LOGGED_IN) return true;
  if (!silent) {
    const std::string line =
        "[CameraDriverModule]: Object Status Error:" + std::to_string(s) + " ";
    plain_line(line.c_str(), where);
  }
  return false;
}

bool CameraDriverModule::sent(int result, int where) const {
  if (result > 0) return true;
  plain_line("[CameraDriverModule]: Send Error:", where);
  return false;
}

int CameraDriverModule::send_header(std::uint8_t type) {
  const DeviceMsgHeader h = make_header(type);
  return send(&h, sizeof h);
}

int CameraDriverModule::DisconnectCamera() {
  media_bytes_.store(0);
  {
    std::lock_guard<std::mutex> g(lock_);
    record_state_ = 0;
    record_transaction_ = 0;
    catalogue_.clear();
    downloads_.clear();
  }
  disconnect();
  return 0;
}

void CameraDriverModule::release_from_facade() {
  // A connected or connecting engine cancels its stream timers when its
  // connection closes; an idle one has no close coming.
  if (state() == STATE_IDLE) {
    for (auto* timer : {&video_timer_, &audio_timer_}) {
      const int id = timer->exchange(0);
      if (id != 0) reactor()->cancel_timer(id, nullptr, 1);
    }
  }
}

void CameraDriverModule::on_session_closed() {
  for (auto* timer : {&audio_timer_, &video_timer_}) {
    const int id = timer->exchange(0);
    if (id != 0) reactor()->cancel_timer(id, nullptr, 1);
  }
  receive_loop_.reset();
}

void CameraDriverModule::on_timer(void* arg) {
  if (arg == &audio_timer_) {
    send_header(MSG_AUDIO_START);
    plain_line("[CameraDriverModule]: Send Request Audio.");
  } else if (arg == &video_timer_) {
    send_header(MSG_VIDEO_START);
  }
}

int CameraDriverModule::ProcessDeviceData(const char* data, int n) {
  return receive_loop_.feed(data, n);
}

void CameraDriverModule::on_device_message(const char* message, std::uint32_t length) {
  const auto type = static_cast<unsigned char>(message[4]);
  const char* body = message + sizeof(DeviceMsgHeader);
  auto* h = handler();
  switch (type) {
    case MSG_VIDEO_FRAME:
    case MSG_VIDEO_FRAME_2: on_media_frame(message, length, false); break;
    case MSG_AUDIO_FRAME: on_media_frame(message, length, true); break;
    case MSG_HEART_BEAT:
      heartbeat_received();
      if (h) h->OnHeartBeat();
      break;
    case MSG_NOTIFY_6: if (h) h->OnMessage6(message); break;
    case MSG_NOTIFY_26: if (h) h->OnMessage26(body); break;
    case MSG_NOTIFY_99: if (h) h->OnMessage99(body); break;
    case MSG_NOTIFY_109: if (h) h->OnMessage109(body); break;
    case MSG_NOTIFY_114: if (h) h->OnMessage114(body); break;
    case MSG_3G_SIGNAL_STRENGTH: if (h) h->On3GSignalStrength(body); break;
    case MSG_RECORD_STATISTIC: on_record_statistic(message, length); break;
    case MSG_RECORD_LIST: on_record_list(message, length); break;
    case MSG_RECORD_DELETE_RESPONSE: if (h) h->OnRecordDelResponse(body); break;
    case MSG_WARNING_RECORD_STATISTIC: if (h) h->OnWarningRecordInfomation(body); break;
    case MSG_WARNING_RECORD_LIST: if (h) h->OnWarningRecordList(body); break;
    case MSG_DOWNLOAD_RESPONSE: on_download_response(message, length); break;
    case MSG_DOWNLOAD_DATA: on_download_data(message, length); break;
    case MSG_REMOTE_PLAY_RESPONSE: on_remote_play_response(message, length); break;
    case MSG_REMOTE_PLAY_END: on_remote_play_end(message, length); break;
    case MSG_RECORD_START_RESPONSE: on_record_start_response(message, length); break;
    case MSG_RECORD_END_NOTIFY: on_record_end_notify(message, length); break;
    case MSG_VIDEO_SETTINGS: on_video_settings(message, length); break;
    case MSG_BASE_STATION_LOCATION: on_base_station(message, length); break;
    case MSG_CONFIG: on_config(message, length); break;
    default: break;  // known to the protocol but nothing for us, or unknown
  }
}

std::size_t CameraDriverModule::catalogue_size() const {
  std::lock_guard<std::mutex> g(lock_);
  return catalogue_.size();
}

int CameraDriverModule::record_state() const {
  std::lock_guard<std::mutex> g(lock_);
  return record_state_;
}

int CameraDriverModule::download_state(int download_id) const {
  std::lock_guard<std::mutex> g(lock_);
  auto& table = const_cast<DownloadTaskTable&>(downloads_);
  const DownloadTask* task = table.find(download_id);
  return task ? task->state : -1;
}

void CameraDriverModule::SetNVTInfo(const NVS_SDK_V160::CAMERA_INFO& info) {
  std::lock_guard<std::mutex> g(lock_);
  camera_info_ = info;
}

void CameraDriverModule::SetRelayKey(const unsigned char* key) { set_relay_key(key); }

void CameraDriverModule::SetVIFsUserInfo(const NVS_SDK_V160::BaseUserInfo& user) {
  set_relay_user(user.user_id, user.user_name);
}

NVS_SDK_V160::CAMERA_INFO CameraDriverModule::camera_info() const {
  std::lock_guard<std::mutex> g(lock_);
  return camera_info_;
}

}  // namespace kestrune
