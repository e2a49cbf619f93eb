// Wire images of the camera protocol: the 6-byte frame header, every request
// the library sends (packed, little-endian as they lie in memory) and the
// fixed parts of the replies it reads, plus the functions that build them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "camera_records.h"

namespace kestrune {

enum DeviceMsgType : std::uint8_t {
  MSG_AUDIO_FRAME = 1,
  MSG_NOTIFY_6 = 6,
  MSG_CONFIG = 8,
  MSG_VIDEO_FRAME = 9,
  MSG_LOGIN = 10,
  MSG_HEART_BEAT = 11,
  MSG_AUDIO_START = 12,
  MSG_AUDIO_STOP = 13,
  MSG_VIDEO_START = 14,
  MSG_VIDEO_STOP = 15,
  MSG_PTZ_SERIAL = 18,
  MSG_NOTIFY_26 = 26,
  MSG_VIDEO_FRAME_2 = 57,
  MSG_RECORD_START = 71,
  MSG_RECORD_START_RESPONSE = 72,
  MSG_RECORD_STOP = 73,
  MSG_RECORD_DELAY = 74,
  MSG_RECORD_END_NOTIFY = 75,
  MSG_RECORD_STATISTIC = 81,
  MSG_RECORD_LIST_REQUEST = 82,
  MSG_RECORD_LIST = 83,
  MSG_DOWNLOAD_REQUEST = 86,
  MSG_DOWNLOAD_RESPONSE = 87,
  MSG_DOWNLOAD_CANCEL = 88,
  MSG_DOWNLOAD_PAUSE = 89,
  MSG_DOWNLOAD_RESUME = 90,
  MSG_DOWNLOAD_DATA = 91,
  MSG_RECORD_DELETE = 96,
  MSG_RECORD_DELETE_RESPONSE = 97,
  MSG_NOTIFY_99 = 99,
  MSG_SPEAK_START = 101,
  MSG_SPEAK_STOP = 102,
  MSG_BASE_STATION_LOCATION = 106,
  MSG_VIDEO_SETTINGS_SET = 107,
  MSG_VIDEO_SETTINGS = 108,
  MSG_NOTIFY_109 = 109,
  MSG_3G_SIGNAL_STRENGTH = 110,
  MSG_WARNING_RECORD_STATISTIC = 111,
  MSG_WARNING_RECORD_LIST_REQUEST = 112,
  MSG_WARNING_RECORD_LIST = 113,
  MSG_NOTIFY_114 = 114,
  MSG_REMOTE_PLAY = 115,
  MSG_REMOTE_PLAY_RESPONSE = 116,
  MSG_REMOTE_PLAY_CTRL = 117,
  MSG_REMOTE_PLAY_END = 118,
  MSG_PTZ_GOTO_PRESET = 120,
};

// The camera answers a login with this status when it wants a digest.
constexpr std::uint32_t kLoginChallengeStatus = 10100;
// Largest talk-back payload one audio frame carries.
constexpr int kMaxTalkAudio = 1380;

#pragma pack(push, 1)

struct DeviceMsgHeader {
  std::uint32_t length;  // whole message, header included
  std::uint8_t type;
  std::uint8_t reserved;
};
static_assert(sizeof(DeviceMsgHeader) == 6, "DeviceMsgHeader layout");

struct LoginMessage {
  DeviceMsgHeader header;
  std::uint8_t zero6[16];
  std::uint32_t random1;
  std::uint8_t digest[16];
  std::uint32_t random2;
  std::uint32_t challenge;  // the camera's challenge being answered
  std::uint32_t status;     // 0 sent; the reply's result
  std::uint8_t zero54[16];
};
static_assert(sizeof(LoginMessage) == 70, "LoginMessage layout");

// Record list and alarm-record list requests.
struct RecordListRequest {
  DeviceMsgHeader header;
  std::uint16_t one;
  std::uint16_t first;
  std::uint16_t count;
  std::uint16_t kind;  // 20 recordings, 40 alarm recordings
};
static_assert(sizeof(RecordListRequest) == 14, "RecordListRequest layout");

using RecordListBody = NVS_SDK_V160::RECORD_LIST_PAGE;

struct RecordDeleteHeader {
  DeviceMsgHeader header;
  std::uint32_t count;
};
static_assert(sizeof(RecordDeleteHeader) == 10, "RecordDeleteHeader layout");

struct DownloadRequest {
  DeviceMsgHeader header;
  std::uint32_t download_id;
  char file_name[32];
  std::uint32_t record_key;
  std::uint32_t offset;
  std::uint32_t length;
  std::uint16_t zero54;
  std::uint16_t block_hint;  // 2048
};
static_assert(sizeof(DownloadRequest) == 58, "DownloadRequest layout");

// Pause and cancel share this layout.
struct DownloadControl {
  DeviceMsgHeader header;
  std::uint32_t transfer_id;
  std::uint32_t download_id;
  char file_name[32];
  std::uint32_t record_key;
};
static_assert(sizeof(DownloadControl) == 50, "DownloadControl layout");

struct DownloadResume {
  DeviceMsgHeader header;
  std::uint32_t transfer_id;
  std::uint32_t download_id;
  std::uint32_t offset;
  std::uint32_t length;
  char file_name[32];
  std::uint32_t record_key;
};
static_assert(sizeof(DownloadResume) == 58, "DownloadResume layout");

using DownloadResponseBody = NVS_SDK_V160::DOWNLOAD_RESPONSE_BODY;

using DownloadDataBody = NVS_SDK_V160::DOWNLOAD_DATA_BODY;

struct RemotePlayRequest {
  DeviceMsgHeader header;
  std::uint32_t play_id;
  char file_name[32];
  std::uint32_t record_key;
  NVS_SDK_V160::REC_PLAY_PARAM param;
};
static_assert(sizeof(RemotePlayRequest) == 62, "RemotePlayRequest layout");

struct RemotePlayCtrl {
  DeviceMsgHeader header;
  std::uint32_t camera_play_id;
  std::uint32_t play_id;
  char file_name[32];
  std::uint32_t record_key;
  std::uint32_t ctrl;
  NVS_SDK_V160::REC_PLAY_PARAM param;
};
static_assert(sizeof(RemotePlayCtrl) == 70, "RemotePlayCtrl layout");

struct RemotePlayResponseBody {
  std::uint32_t camera_play_id;
  std::uint32_t play_id;
  std::uint32_t status;  // 0 accepted
  std::uint32_t extra;
};
static_assert(sizeof(RemotePlayResponseBody) == 16, "RemotePlayResponseBody layout");

struct RecordStartRequest {
  DeviceMsgHeader header;
  std::uint8_t flags[12];  // 0 1 1 0 9 then zeros
  std::uint32_t duration;
};
static_assert(sizeof(RecordStartRequest) == 22, "RecordStartRequest layout");

struct RecordStopRequest {
  DeviceMsgHeader header;
  std::uint32_t transaction_id;
};
static_assert(sizeof(RecordStopRequest) == 10, "RecordStopRequest layout");

struct RecordDelayRequest {
  DeviceMsgHeader header;
  std::uint32_t transaction_id;
  std::uint32_t value;
};
static_assert(sizeof(RecordDelayRequest) == 14, "RecordDelayRequest layout");

struct PtzSerialMessage {
  DeviceMsgHeader header;
  std::uint32_t baud_rate;  // 2400
  std::uint32_t data_bits;  // 8
  std::uint32_t setting14;  // 1
  std::uint32_t setting18;  // 101
  std::uint32_t setting22;  // 1
  std::uint32_t setting26;  // 1
  std::uint8_t frame[7];    // Pelco-D
};
static_assert(sizeof(PtzSerialMessage) == 37, "PtzSerialMessage layout");

struct AudioFrameHeader {
  DeviceMsgHeader header;
  std::uint8_t codec[2];  // 0x27 0x01
  std::uint32_t zero8;
  std::uint32_t value;
  std::uint32_t zero16;
  // payload follows
};
static_assert(sizeof(AudioFrameHeader) == 20, "AudioFrameHeader layout");

// Video settings request (w0 = 2, rest zero) and set: six u16 words.
struct VideoSettingsMessage {
  DeviceMsgHeader header;
  std::uint16_t word[6];
};
static_assert(sizeof(VideoSettingsMessage) == 18, "VideoSettingsMessage layout");

#pragma pack(pop)

// Header-only message (heartbeat, stream start/stop, speak, statistics).
DeviceMsgHeader make_header(std::uint8_t type, std::uint32_t length = sizeof(DeviceMsgHeader));

// MD5 over the challenge in decimal (zero padded to 16 bytes) and the
// 16-byte password block.
void login_digest(int challenge, const unsigned char password[16], unsigned char out[16]);
LoginMessage make_login(int challenge, const unsigned char password[16], std::uint32_t random1,
                        std::uint32_t random2);

RecordListRequest make_record_list_request(std::uint16_t first, std::uint16_t count);
RecordListRequest make_warning_list_request(std::uint16_t first, std::uint16_t count);
RecordDeleteHeader make_record_delete_header(std::uint32_t count);

// file_name is copied up to its first NUL within 32 bytes (always terminated).
DownloadRequest make_download_request(std::uint32_t download_id, const char* file_name,
                                      std::uint32_t record_key, std::uint32_t offset,
                                      std::uint32_t length);
DownloadControl make_download_control(std::uint8_t type, std::uint32_t transfer_id,
                                      std::uint32_t download_id, const char* file_name,
                                      std::uint32_t record_key);
DownloadResume make_download_resume(std::uint32_t transfer_id, std::uint32_t download_id,
                                    std::uint32_t offset, std::uint32_t length,
                                    const char* file_name, std::uint32_t record_key);

RemotePlayRequest make_remote_play(std::uint32_t play_id, const char* file_name,
                                   std::uint32_t record_key,
                                   const NVS_SDK_V160::REC_PLAY_PARAM& param);
RemotePlayCtrl make_remote_play_ctrl(std::uint32_t camera_play_id, std::uint32_t play_id,
                                     const char* file_name, std::uint32_t record_key,
                                     std::uint32_t ctrl,
                                     const NVS_SDK_V160::REC_PLAY_PARAM& param);

RecordStartRequest make_record_start(std::uint32_t duration);
RecordStopRequest make_record_stop(std::uint32_t transaction_id);
RecordDelayRequest make_record_delay(std::uint32_t transaction_id, std::uint32_t value);

// false when the command has no frame (nothing to send).
bool make_ptz_serial(int command, PtzSerialMessage* out);

// Writes header and payload into out (room for 20 + n bytes); the message
// length, or -1 when n is negative or above kMaxTalkAudio.
int make_audio_frame(const unsigned char* data, int n, std::uint32_t value, unsigned char* out);

VideoSettingsMessage make_video_settings_request();
VideoSettingsMessage make_video_settings_set(const NVS_SDK_V160::MEDIA_CONFIG& config);
// The three u32 words of a settings report, read back as MEDIA_CONFIG.
NVS_SDK_V160::MEDIA_CONFIG media_config_from_words(const std::uint32_t words[3]);

// Copies a 32-byte name field up to its first NUL.
std::size_t name_length(const char* name, std::size_t width = 32);

}  // namespace kestrune
