// Records carried in the sibling's data copies.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

#pragma pack(push, 1)
// One camera the sibling's discovery found: the first 44 bytes of the
// library's discovered-camera record. Only the address and the low word of
// the camera id are read; the rest travels with the record unread.
struct DiscoveryRecord {
  std::uint32_t ip_address;  // host order: the first dotted number is the top byte
  std::uint8_t unread4[12];
  std::int32_t camera_id;    // low four bytes of the 64-bit camera id
  std::uint8_t unread20[24];
};
#pragma pack(pop)
static_assert(sizeof(DiscoveryRecord) == 44, "DiscoveryRecord layout");
static_assert(offsetof(DiscoveryRecord, camera_id) == 16, "DiscoveryRecord layout");

// COPYDATA_CAMERA_LIST: an int32 count, then that many records.
inline constexpr std::size_t kDiscoveryListHeader = 4;

}  // namespace velmora
