#include "device/device_messages.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "net/md5.h"
#include "ptz/pelco_d.h"

namespace kestrune {
namespace {

template <class T>
T zeroed(std::uint8_t type) {
  T msg;
  std::memset(&msg, 0, sizeof msg);
  msg.header = make_header(type, sizeof(T));
  return msg;
}

void copy_name(char (&dst)[32], const char* src) {
  std::memset(dst, 0, sizeof dst);
  if (src != nullptr) std::memcpy(dst, src, name_length(src, sizeof dst - 1));
}

}  // namespace

std::size_t name_length(const char* name, std::size_t width) {
  if (name == nullptr) return 0;
  const void* nul = std::memchr(name, 0, width);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : width;
}

DeviceMsgHeader make_header(std::uint8_t type, std::uint32_t length) {
  DeviceMsgHeader h;
  h.length = length;
  h.type = type;
  h.reserved = 0;
  return h;
}

void login_digest(int challenge, const unsigned char password[16], unsigned char out[16]) {
  unsigned char input[32] = {};
  std::snprintf(reinterpret_cast<char*>(input), 16, "%d", challenge);
  std::memcpy(input + 16, password, 16);
  Md5::digest(input, sizeof input, out);
}

LoginMessage make_login(int challenge, const unsigned char password[16], std::uint32_t random1,
                        std::uint32_t random2) {
  auto msg = zeroed<LoginMessage>(MSG_LOGIN);
  msg.random1 = random1;
  login_digest(challenge, password, msg.digest);
  msg.random2 = random2;
  msg.challenge = static_cast<std::uint32_t>(challenge);
  return msg;
}

RecordListRequest make_record_list_request(std::uint16_t first, std::uint16_t count) {
  auto msg = zeroed<RecordListRequest>(MSG_RECORD_LIST_REQUEST);
  msg.one = 1;
  msg.first = first;
  msg.count = count;
  msg.kind = 20;
  return msg;
}

RecordListRequest make_warning_list_request(std::uint16_t first, std::uint16_t count) {
  auto msg = make_record_list_request(first, count);
  msg.header.type = MSG_WARNING_RECORD_LIST_REQUEST;
  msg.kind = 40;
  return msg;
}

RecordDeleteHeader make_record_delete_header(std::uint32_t count) {
  auto msg = zeroed<RecordDeleteHeader>(MSG_RECORD_DELETE);
  msg.header.length = sizeof(RecordDeleteHeader) + 48 * count;
  msg.count = count;
  return msg;
}

DownloadRequest make_download_request(std::uint32_t download_id, const char* file_name,
                                      std::uint32_t record_key, std::uint32_t offset,
                                      std::uint32_t length) {
  auto msg = zeroed<DownloadRequest>(MSG_DOWNLOAD_REQUEST);
  msg.download_id = download_id;
  copy_name(msg.file_name, file_name);
  msg.record_key = record_key;
  msg.offset = offset;
  msg.length = length;
  msg.block_hint = 2048;
  return msg;
}

DownloadControl make_download_control(std::uint8_t type, std::uint32_t transfer_id,
                                      std::uint32_t download_id, const char* file_name,
                                      std::uint32_t record_key) {
  auto msg = zeroed<DownloadControl>(type);
  msg.transfer_id = transfer_id;
  msg.download_id = download_id;
  copy_name(msg.file_name, file_name);
  msg.record_key = record_key;
  return msg;
}

DownloadResume make_download_resume(std::uint32_t transfer_id, std::uint32_t download_id,
                                    std::uint32_t offset, std::uint32_t length,
                                    const char* file_name, std::uint32_t record_key) {
  auto msg = zeroed<DownloadResume>(MSG_DOWNLOAD_RESUME);
  msg.transfer_id = transfer_id;
  msg.download_id = download_id;
  msg.offset = offset;
  msg.length = length;
  copy_name(msg.file_name, file_name);
  msg.record_key = record_key;
  return msg;
}

RemotePlayRequest make_remote_play(std::uint32_t play_id, const char* file_name,
                                   std::uint32_t record_key,
                                   const NVS_SDK_V160::REC_PLAY_PARAM& param) {
  auto msg = zeroed<RemotePlayRequest>(MSG_REMOTE_PLAY);
  msg.play_id = play_id;
  copy_name(msg.file_name, file_name);
  msg.record_key = record_key;
  msg.param = param;
  return msg;
}

RemotePlayCtrl make_remote_play_ctrl(std::uint32_t camera_play_id, std::uint32_t play_id,
                                     const char* file_name, std::uint32_t record_key,
                                     std::uint32_t ctrl,
                                     const NVS_SDK_V160::REC_PLAY_PARAM& param) {
  auto msg = zeroed<RemotePlayCtrl>(MSG_REMOTE_PLAY_CTRL);
  msg.camera_play_id = camera_play_id;
  msg.play_id = play_id;
  copy_name(msg.file_name, file_name);
  msg.record_key = record_key;
  msg.ctrl = ctrl;
  msg.param = param;
  return msg;
}

RecordStartRequest make_record_start(std::uint32_t duration) {
  auto msg = zeroed<RecordStartRequest>(MSG_RECORD_START);
  msg.flags[1] = 1;
  msg.flags[2] = 1;
  msg.flags[4] = 9;
  msg.duration = duration;
  return msg;
}

RecordStopRequest make_record_stop(std::uint32_t transaction_id) {
  auto msg = zeroed<RecordStopRequest>(MSG_RECORD_STOP);
  msg.transaction_id = transaction_id;
  return msg;
}

RecordDelayRequest make_record_delay(std::uint32_t transaction_id, std::uint32_t value) {
  auto msg = zeroed<RecordDelayRequest>(MSG_RECORD_DELAY);
  msg.transaction_id = transaction_id;
  msg.value = value;
  return msg;
}

bool make_ptz_serial(int command, PtzSerialMessage* out) {
  using Builder = std::uint8_t (IMySerialPort::*)(std::uint8_t*, std::uint8_t);
  static const struct { int command; Builder build; } kCommands[] = {
      {51, &IMySerialPort::tilt_up},  {52, &IMySerialPort::tilt_down},
      {53, &IMySerialPort::pan_left}, {54, &IMySerialPort::pan_right},
      {69, &IMySerialPort::auto_scan}, {70, &IMySerialPort::stop},
  };
  for (const auto& c : kCommands) {
    if (c.command != command) continue;
    auto msg = zeroed<PtzSerialMessage>(MSG_PTZ_SERIAL);
    msg.baud_rate = 2400;
    msg.data_bits = 8;
    msg.setting14 = 1;
    msg.setting18 = 101;
    msg.setting22 = 1;
    msg.setting26 = 1;
    const std::unique_ptr<IMySerialPort> port = std::make_unique<CPelco_d>();
    (port.get()->*c.build)(msg.frame, 1);  // the head at address 1
    *out = msg;
    return true;
  }
  return false;
}

int make_audio_frame(const unsigned char* data, int n, std::uint32_t value, unsigned char* out) {
  if (n < 0 || n > kMaxTalkAudio || (n > 0 && data == nullptr)) return -1;
  auto head = zeroed<AudioFrameHeader>(MSG_AUDIO_FRAME);
  head.header.length = sizeof(AudioFrameHeader) + static_cast<std::uint32_t>(n);
  head.codec[0] = 0x27;  // nibbles 7 and 2
  head.codec[1] = 0x01;  // nibbles 1 and 0
  head.value = value;
  std::memcpy(out, &head, sizeof head);
  if (n > 0) std::memcpy(out + sizeof head, data, static_cast<std::size_t>(n));
  return static_cast<int>(sizeof head) + n;
}

VideoSettingsMessage make_video_settings_request() {
  auto msg = zeroed<VideoSettingsMessage>(MSG_VIDEO_SETTINGS);
  msg.word[0] = 2;
  return msg;
}

VideoSettingsMessage make_video_settings_set(const NVS_SDK_V160::MEDIA_CONFIG& config) {
  auto msg = zeroed<VideoSettingsMessage>(MSG_VIDEO_SETTINGS_SET);
  msg.word[0] = 2;
  msg.word[1] = config.value[4];
  msg.word[2] = config.value[1];
  msg.word[3] = config.value[2];
  msg.word[4] = config.value[0];
  msg.word[5] = config.value[3];
  return msg;
}

NVS_SDK_V160::MEDIA_CONFIG media_config_from_words(const std::uint32_t words[3]) {
  std::uint16_t w[6];
  std::memcpy(w, words, sizeof w);
  NVS_SDK_V160::MEDIA_CONFIG config;
  config.value[0] = w[4];
  config.value[1] = w[2];
  config.value[2] = w[3];
  config.value[3] = w[5];
  config.value[4] = w[1];
  return config;
}

}  // namespace kestrune
