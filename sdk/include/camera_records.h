// Records that cross the library boundary for one camera: the catalogue
// entry of a recording, a camera's identity as the video server lists it,
// remote playback parameters and the live video settings.
#pragma once

#include <cstdint>

namespace NVS_SDK_V160 {

#pragma pack(push, 1)

// One recording on the camera's card, exactly as the camera lists it.
struct RECORD_FILE_ENTRY {
  char file_name[32];         // NUL-terminated
  std::uint32_t record_key;   // echoed back in download / play requests
  std::uint32_t file_size;    // bytes
  std::uint32_t reserved40;   // passed through
  std::uint8_t record_kind;   // 0 manual, 1 alarm
  std::uint8_t reserved45[3];
};
static_assert(sizeof(RECORD_FILE_ENTRY) == 48, "RECORD_FILE_ENTRY layout");

// A camera as the video server lists it. The library reads only the id and
// fills the base-station words; everything else is carried unchanged.
struct CAMERA_INFO {
  std::uint32_t nvt_id;
  std::uint8_t server_data4[44];
  std::uint32_t flags;              // bit 0: base-station location present
  std::uint32_t base_station[4];
  std::uint8_t server_data68[30];
  std::uint32_t relay_value;        // sent with the relay key request
  std::uint8_t server_data102[34];
  std::int16_t extra136;
};
static_assert(sizeof(CAMERA_INFO) == 138, "CAMERA_INFO layout");

// Remote playback parameters; sent to the camera unchanged.
struct REC_PLAY_PARAM {
  std::uint32_t param[4];
};
static_assert(sizeof(REC_PLAY_PARAM) == 16, "REC_PLAY_PARAM layout");

// Live video settings: five words whose meaning belongs to the camera.
struct MEDIA_CONFIG {
  std::uint16_t value[5];
};
static_assert(sizeof(MEDIA_CONFIG) == 10, "MEDIA_CONFIG layout");

// Bodies handed to the catalogue and download callbacks. The library hands
// a body on only when the message carries these fixed fields, a page only
// with as many entries as its count says, and a data block only with as
// many bytes as its length says.
struct RECORD_STATISTIC_BODY {
  std::uint16_t total;  // recordings on the card; the rest is the camera's
};
static_assert(sizeof(RECORD_STATISTIC_BODY) == 2, "RECORD_STATISTIC_BODY layout");

struct RECORD_LIST_PAGE {
  std::uint16_t count;      // RECORD_FILE_ENTRY records that follow
  std::uint16_t last_page;  // non-zero on the last page of a request
};
static_assert(sizeof(RECORD_LIST_PAGE) == 4, "RECORD_LIST_PAGE layout");

struct DOWNLOAD_RESPONSE_BODY {
  std::uint32_t transfer_id;
  std::uint32_t download_id;
  std::uint32_t status;  // 0 accepted
};
static_assert(sizeof(DOWNLOAD_RESPONSE_BODY) == 12, "DOWNLOAD_RESPONSE_BODY layout");

struct DOWNLOAD_DATA_BODY {
  std::uint32_t transfer_id;
  std::uint32_t download_id;
  std::uint32_t offset;          // in the recording
  std::uint32_t length;          // data bytes that follow
  std::uint16_t end_of_request;  // non-zero on the last block of a request
  std::uint16_t unused;
};
static_assert(sizeof(DOWNLOAD_DATA_BODY) == 20, "DOWNLOAD_DATA_BODY layout");

#pragma pack(pop)

// Commands for a running remote playback (sent as a u32).
enum _VIF_PLAYING_CTRL : std::uint32_t {
  VIF_PLAYING_STOP = 1,
  VIF_PLAYING_PAUSE = 2,
  VIF_PLAYING_RESUME = 3,
};
static_assert(sizeof(_VIF_PLAYING_CTRL) == 4, "_VIF_PLAYING_CTRL width");

// Receives live video frames instead of the message handler when set.
using OwnVideoFrameFunc = void (*)(const char* data, int length, unsigned int value);

}  // namespace NVS_SDK_V160
