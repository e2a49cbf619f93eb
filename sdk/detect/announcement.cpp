#include "detect/announcement.h"

#include <cstring>

namespace kestrune {
namespace {

// Multi-byte fields are copied byte for byte and read little-endian.
template <class T>
void copy_at(const std::uint8_t* data, std::size_t at, T* field) {
  std::memcpy(field, data + at, sizeof(T));
}

}  // namespace

bool announcement_camera_id(const std::uint8_t* data, std::size_t length, std::uint64_t* id) {
  if (length == kShortAnnouncement) copy_at(data, 14, id);
  else if (length == kLongAnnouncement) copy_at(data, 40, id);
  else return false;
  return true;
}

bool make_detected_camera(const std::uint8_t* data, std::size_t length, bool list_empty,
                          NVS_SDK_V160::DetectedCamera* out) {
  NVS_SDK_V160::DetectedCamera r;
  std::memset(&r, 0, sizeof r);
  if (length == kShortAnnouncement) {
    copy_at(data, 6, &r.ip_address);
    copy_at(data, 10, &r.address_word2);
    r.valid = list_empty ? 1 : 0;
    copy_at(data, 14, &r.camera_id);
    copy_at(data, 22, &r.value1);
    copy_at(data, 26, &r.value2);
    copy_at(data, 30, &r.value3);
  } else if (length == kLongAnnouncement) {
    // Two interface blocks, each with its own flag; the first valid one wins.
    struct Block { std::size_t flag, tag, address, word2; };
    static const Block kBlocks[] = {{2, 4, 16, 20}, {3, 10, 28, 32}};
    for (const Block& b : kBlocks) {
      if (data[b.flag] != 1) continue;
      std::memcpy(r.tag, data + b.tag, sizeof r.tag);
      copy_at(data, b.address, &r.ip_address);
      copy_at(data, b.word2, &r.address_word2);
      break;
    }
    r.valid = 1;
    copy_at(data, 40, &r.camera_id);
    copy_at(data, 48, &r.value1);
    copy_at(data, 52, &r.value2);
    copy_at(data, 56, &r.value3);
  } else {
    return false;
  }
  r.seen = 1;
  *out = r;
  return true;
}

}  // namespace kestrune
