// Byte images of the camera protocol messages as the simulated camera reads
// and writes them: packed little-endian records, one per message layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace camsim::wire {

enum MsgType : uint8_t {
  AUDIO_FRAME = 1,
  CONFIG = 8,
  VIDEO_FRAME = 9,
  LOGIN = 10,
  HEART_BEAT = 11,
  AUDIO_START = 12,
  AUDIO_STOP = 13,
  VIDEO_START = 14,
  VIDEO_STOP = 15,
  PTZ_SERIAL = 18,
  RECORD_START = 71,
  RECORD_START_RESPONSE = 72,
  RECORD_STOP = 73,
  RECORD_DELAY = 74,
  RECORD_END_NOTIFY = 75,
  RECORD_STATISTIC = 81,
  RECORD_LIST_REQUEST = 82,
  RECORD_LIST = 83,
  DOWNLOAD_REQUEST = 86,
  DOWNLOAD_RESPONSE = 87,
  DOWNLOAD_CANCEL = 88,
  DOWNLOAD_PAUSE = 89,
  DOWNLOAD_RESUME = 90,
  DOWNLOAD_DATA = 91,
  RECORD_DELETE = 96,
  RECORD_DELETE_RESPONSE = 97,
  SPEAK_START = 101,
  SPEAK_STOP = 102,
  VIDEO_SETTINGS_SET = 107,
  VIDEO_SETTINGS = 108,
  SIGNAL_STRENGTH = 110,
  WARNING_RECORD_STATISTIC = 111,
  WARNING_RECORD_LIST_REQUEST = 112,
  WARNING_RECORD_LIST = 113,
  REMOTE_PLAY = 115,
  REMOTE_PLAY_RESPONSE = 116,
  REMOTE_PLAY_CTRL = 117,
  REMOTE_PLAY_END = 118,
  PTZ_GOTO_PRESET = 120,
};

constexpr uint32_t kMaxMessage = 131072;  // the client's receive buffer
constexpr uint32_t kChallengeStatus = 10100;
constexpr uint32_t kMaxTalkAudio = 1380;

#pragma pack(push, 1)

struct Header {
  uint32_t length;
  uint8_t type;
  uint8_t reserved;
};
static_assert(sizeof(Header) == 6);

struct Login {
  Header h;
  uint8_t zero1[16];
  uint32_t random1;
  uint8_t digest[16];
  uint32_t random2;
  uint32_t challenge;
  uint32_t status;
  uint8_t zero2[16];
};
static_assert(sizeof(Login) == 70);
static_assert(offsetof(Login, digest) == 26 && offsetof(Login, challenge) == 46 &&
              offsetof(Login, status) == 50);

struct RecordFileEntry {
  char name[32];
  uint32_t key;
  uint32_t size;
  uint32_t stamp;
  uint8_t kind;
  uint8_t pad[3];
};
static_assert(sizeof(RecordFileEntry) == 48);
static_assert(offsetof(RecordFileEntry, key) == 32 && offsetof(RecordFileEntry, kind) == 44);

struct RecordStatistic {  // reply, both plain and alarm
  Header h;
  uint16_t total;
  uint16_t alarms;
  uint32_t bytes_kib;
};
static_assert(sizeof(RecordStatistic) == 14);

struct RecordListRequest {
  Header h;
  uint16_t one;
  uint16_t first;
  uint16_t count;
  uint16_t kind_code;  // 20 plain list, 40 alarm list
};
static_assert(sizeof(RecordListRequest) == 14);

struct RecordListHead {  // followed by n entries
  Header h;
  uint16_t n;
  uint16_t last_page;
};
static_assert(sizeof(RecordListHead) == 10);

struct RecordDeleteHead {  // followed by n entries
  Header h;
  uint32_t n;
};
static_assert(sizeof(RecordDeleteHead) == 10);

// The camera's answer to a delete request: result 0 when none of the named
// recordings is on the card any more (deleted now, or gone already), 1 when
// the card refused and kept them all; then how many were removed.
struct RecordDeleteResponse {
  Header h;
  uint32_t result;
  uint32_t deleted;
};
static_assert(sizeof(RecordDeleteResponse) == 14);

struct DownloadRequest {
  Header h;
  uint32_t download_id;
  char name[32];
  uint32_t key;
  uint32_t offset;
  uint32_t length;
  uint16_t zero;
  uint16_t c2048;
};
static_assert(sizeof(DownloadRequest) == 58);
static_assert(offsetof(DownloadRequest, key) == 42 && offsetof(DownloadRequest, c2048) == 56);

struct DownloadControl {  // pause and cancel
  Header h;
  uint32_t transfer_id;
  uint32_t download_id;
  char name[32];
  uint32_t key;
};
static_assert(sizeof(DownloadControl) == 50);
static_assert(offsetof(DownloadControl, key) == 46);

struct DownloadResume {
  Header h;
  uint32_t transfer_id;
  uint32_t download_id;
  uint32_t offset;
  uint32_t length;
  char name[32];
  uint32_t key;
};
static_assert(sizeof(DownloadResume) == 58);
static_assert(offsetof(DownloadResume, name) == 22 && offsetof(DownloadResume, key) == 54);

struct DownloadResponse {
  Header h;
  uint32_t transfer_id;
  uint32_t download_id;
  uint32_t status;
};
static_assert(sizeof(DownloadResponse) == 18);

struct DownloadDataHead {  // followed by n data bytes
  Header h;
  uint32_t transfer_id;
  uint32_t download_id;
  uint32_t offset;
  uint32_t n;
  uint16_t end_flag;
  uint16_t reserved;
};
static_assert(sizeof(DownloadDataHead) == 26);

struct RemotePlay {
  Header h;
  uint32_t play_id;
  char name[32];
  uint32_t key;
  uint32_t param[4];
};
static_assert(sizeof(RemotePlay) == 62);
static_assert(offsetof(RemotePlay, param) == 46);

struct RemotePlayCtrl {
  Header h;
  uint32_t camera_play_id;
  uint32_t play_id;
  char name[32];
  uint32_t key;
  uint32_t ctrl;
  uint32_t param[4];
};
static_assert(sizeof(RemotePlayCtrl) == 70);
static_assert(offsetof(RemotePlayCtrl, ctrl) == 50);

struct RemotePlayResponse {
  Header h;
  uint32_t camera_play_id;
  uint32_t play_id;
  uint32_t status;
  uint32_t extra;
};
static_assert(sizeof(RemotePlayResponse) == 22);

struct IdNotify {  // play end, record end, record stop
  Header h;
  uint32_t id;
};
static_assert(sizeof(IdNotify) == 10);

struct RecordStart {
  Header h;
  uint8_t b6, b7, b8, b9, b10;
  uint8_t zero[7];
  uint32_t duration;
};
static_assert(sizeof(RecordStart) == 22);
static_assert(offsetof(RecordStart, duration) == 18);

struct RecordStartResponse {
  Header h;
  uint32_t transaction_id;
  uint32_t result;
};
static_assert(sizeof(RecordStartResponse) == 14);

struct RecordDelay {
  Header h;
  uint32_t transaction_id;
  uint32_t value;
};
static_assert(sizeof(RecordDelay) == 14);

struct VideoSettings {  // get request, set request and report
  Header h;
  uint16_t w[6];
};
static_assert(sizeof(VideoSettings) == 18);

struct VideoFrameHead {  // followed by the picture bytes
  Header h;
  uint8_t key_frame;
  uint32_t value;
  uint32_t sequence;
};
static_assert(sizeof(VideoFrameHead) == 15);
static_assert(offsetof(VideoFrameHead, value) == 7);

struct AudioFrameHead {  // followed by the samples; value overlaps them
  Header h;
  uint8_t codec;
  uint8_t channel;
  uint32_t zero;
  uint32_t stamp;
  uint16_t reserved;
  uint16_t value_low;  // bytes 18-19; bytes 20-21 are the first two samples
};
static_assert(sizeof(AudioFrameHead) == 20);

struct ConfigHead {  // followed by the XML text
  Header h;
  uint32_t body_length;
  uint8_t two;
  uint8_t sub_type;
  uint8_t zero[6];
};
static_assert(sizeof(ConfigHead) == 18);

#pragma pack(pop)

template <typename T>
T make(uint8_t type, uint32_t length = sizeof(T)) {
  T m;
  std::memset(&m, 0, sizeof m);
  Header h{length, type, 0};
  std::memcpy(&m, &h, sizeof h);
  return m;
}

// Copies a fixed text field into a string; false when there is no NUL.
inline bool fixed_text(const char (&field)[32], std::string* out) {
  const void* nul = std::memchr(field, 0, sizeof field);
  if (nul == nullptr) return false;
  out->assign(field, static_cast<const char*>(nul) - field);
  return true;
}

inline void set_fixed_text(char (&field)[32], const std::string& text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), text.size() < sizeof field ? text.size() : sizeof field - 1);
}

// Copies a packed record out of a received message (no alignment needed).
template <typename T>
T view(const uint8_t* msg) {
  T m;
  std::memcpy(&m, msg, sizeof m);
  return m;
}

}  // namespace camsim::wire
