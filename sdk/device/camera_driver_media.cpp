// Live streams, talk-back, video settings, PTZ and the small live-status
// messages of the device engine.
#include <algorithm>
#include <cstring>

#include "device/camera_driver_module.h"
#include "device/device_messages.h"
#include "net/log.h"
#include "net/reactor.h"

namespace kestrune {
namespace {

constexpr std::uint32_t kHeader = sizeof(DeviceMsgHeader);
constexpr std::uint32_t kVideoPayload = 15;  // video payload offset
constexpr std::uint32_t kAudioPayload = 20;  // audio payload offset

}  // namespace

void CameraDriverModule::on_media_frame(const char* message, std::uint32_t length, bool audio) {
  const std::uint32_t at = audio ? kAudioPayload : kVideoPayload;
  if (length < at) return;
  // The audio frame value overlaps the first two payload bytes; a frame
  // without payload carries only its lower half.
  std::uint32_t value = 0;
  const std::uint32_t value_at = audio ? 18 : 7;
  std::memcpy(&value, message + value_at, std::min<std::uint32_t>(sizeof value, length - value_at));
  const char* payload = message + at;
  const int size = static_cast<int>(length - at);
  if (!audio) {
    if (auto own = own_video_.load()) {
      own(payload, size, value);
      return;
    }
  }
  media_bytes_.fetch_add(static_cast<unsigned long>(size));
  if (auto* h = handler()) h->OnMediaData(payload, size, value, audio ? 1 : 0);
}

int CameraDriverModule::RequestVideoData(bool on) {
  if (!on) {
    stop_stream(video_timer_, MSG_VIDEO_STOP);
    return 0;
  }
  if (video_timer_.load() != 0) return 0;
  const int id = reactor()->schedule_timer(this, &video_timer_, TimeValue(0, 500),
                                                           TimeValue(5, 0));
  int none = 0;
  if (id > 0 && !video_timer_.compare_exchange_strong(none, id))
    reactor()->cancel_timer(id, nullptr, 1);  // lost a race with another start
  return 0;
}

int CameraDriverModule::RequestAudioData(bool on) {
  if (!on) {
    stop_stream(audio_timer_, MSG_AUDIO_STOP);
    return 0;
  }
  if (audio_timer_.load() != 0) return 0;
  const int id = reactor()->schedule_timer(this, &audio_timer_, TimeValue(0, 500),
                                                           TimeValue(5, 0));
  int none = 0;
  if (id > 0 && !audio_timer_.compare_exchange_strong(none, id))
    reactor()->cancel_timer(id, nullptr, 1);
  return 0;
}

void CameraDriverModule::stop_stream(std::atomic<int>& timer, std::uint8_t stop_type) {
  const int id = timer.exchange(0);
  if (id == 0) return;
  reactor()->cancel_timer(id, nullptr, 1);
  send_header(stop_type);
}

int CameraDriverModule::RequestSpeak(bool on) {
  return send_header(on ? MSG_SPEAK_START : MSG_SPEAK_STOP) < 0 ? -1 : 0;
}

int CameraDriverModule::SendAudioData(const unsigned char* data, int n, unsigned long value) {
  unsigned char frame[sizeof(AudioFrameHeader) + kMaxTalkAudio];
  // More than one frame holds is refused outright rather than cut.
  const int size = make_audio_frame(data, n, static_cast<std::uint32_t>(value), frame);
  if (size < 0) return -1;
  return send(frame, size);
}

int CameraDriverModule::RegOwnVideoFrameFunc(NVS_SDK_V160::OwnVideoFrameFunc callback) {
  own_video_.store(callback);
  return 0;
}

unsigned long CameraDriverModule::GetMediaDataByteCount() { return media_bytes_.exchange(0); }

int CameraDriverModule::GetVideoMediaSettings(NVS_SDK_V160::MEDIA_CONFIG* config) {
  if (config != nullptr) {
    std::lock_guard<std::mutex> g(lock_);
    *config = media_config_from_words(video_settings_);
    return 0;
  }
  if (!logged_in(false, MSG_VIDEO_SETTINGS)) return -1;
  const VideoSettingsMessage msg = make_video_settings_request();
  const int r = send(&msg, sizeof msg);
  plain_line("[CameraDriverModule]: Send Request Video Media Settings.");
  return sent(r, MSG_VIDEO_SETTINGS) ? 0 : -1;
}

int CameraDriverModule::SetVideoMediaSettings(const NVS_SDK_V160::MEDIA_CONFIG& config) {
  if (!logged_in(false, MSG_VIDEO_SETTINGS_SET)) return -1;
  const VideoSettingsMessage msg = make_video_settings_set(config);
  if (!sent(send(&msg, sizeof msg), MSG_VIDEO_SETTINGS_SET)) return -1;
  plain_line("[CameraDriverModule]: Set Video Media Settings.");
  return 0;
}

int CameraDriverModule::CameraPTZCommand(int command) {
  PtzSerialMessage msg;
  if (!make_ptz_serial(command, &msg)) return -1;
  return sent(send(&msg, sizeof msg), MSG_PTZ_SERIAL) ? 0 : -1;
}

int CameraDriverModule::Get3GSignalStrength() {
  if (!logged_in(false, MSG_3G_SIGNAL_STRENGTH)) return -1;
  return sent(send_header(MSG_3G_SIGNAL_STRENGTH), MSG_3G_SIGNAL_STRENGTH) ? 0 : -1;
}

int CameraDriverModule::TurnToDefaultPos(int index) {
  if (!logged_in(true, MSG_PTZ_GOTO_PRESET) || index < 1 || index > 5) return -1;
  Preset preset;
  {
    std::lock_guard<std::mutex> g(lock_);
    preset = presets_[index - 1];
  }
  if (preset.index == 0) return -1;
  unsigned char msg[18] = {};
  const DeviceMsgHeader head = make_header(MSG_PTZ_GOTO_PRESET, sizeof msg);
  std::memcpy(msg, &head, sizeof head);
  const std::uint32_t at = static_cast<std::uint32_t>(index);
  std::memcpy(msg + 6, &at, 4);
  std::memcpy(msg + 10, &preset.x, 2);
  std::memcpy(msg + 12, &preset.y, 2);
  sent(send(msg, sizeof msg), MSG_PTZ_GOTO_PRESET);
  return 0;
}

void CameraDriverModule::on_video_settings(const char* message, std::uint32_t length) {
  if (length < kHeader + 12) return;
  plain_line("[CameraDriverModule] : Receive Video Settings Infomation.");
  {
    std::lock_guard<std::mutex> g(lock_);
    std::memcpy(video_settings_, message + kHeader, sizeof video_settings_);
  }
  if (auto* h = handler()) h->OnVideoMediaSettings();
}

void CameraDriverModule::on_base_station(const char* message, std::uint32_t length) {
  if (length < kHeader + 16) return;
  plain_line("[CameraDriverModule] : Receive Base Station Location Infomation.");
  const char* body = message + kHeader;
  {
    std::lock_guard<std::mutex> g(lock_);
    camera_info_.flags |= 1u;
    std::memcpy(camera_info_.base_station, body, sizeof camera_info_.base_station);
  }
  if (auto* h = handler()) h->OnBaseStationLocation(body);
}

}  // namespace kestrune
