// Camera announcements: the two datagram forms a camera sends to the
// discovery port, and the DetectedCamera record built from either.
#pragma once

#include <cstddef>
#include <cstdint>

#include "camera_detect_module.h"

namespace kestrune {

inline constexpr std::uint16_t kDiscoveryPort = 51010;
inline constexpr std::size_t kShortAnnouncement = 34;
inline constexpr std::size_t kLongAnnouncement = 196;

// The identifier an announcement carries; false for any other length.
bool announcement_camera_id(const std::uint8_t* data, std::size_t length, std::uint64_t* id);

// Builds the record (seen counter 1). A short announcement is marked valid
// only when it arrives into an empty list. False for any other length.
bool make_detected_camera(const std::uint8_t* data, std::size_t length, bool list_empty,
                          NVS_SDK_V160::DetectedCamera* out);

}  // namespace kestrune
