// The camera list file: CameraRecords back to back, 147 bytes each, in
// ascending camera id, with no header. Shared with the sibling program.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "camera_record.h"

namespace velmora {

using CameraTable = std::map<std::int32_t, CameraRecord>;

// Reads the file into `table`. False (table unchanged) when it cannot be
// opened. A later record with an id already seen replaces the earlier one; a
// trailing partial record is ignored.
bool load_camera_file(const std::string& path, CameraTable& table);

// Writes the whole table over the file, written to a temporary file first
// and renamed, so the sibling never reads a half-written list. False when the
// file cannot be written.
bool save_camera_file(const std::string& path, const CameraTable& table);

}  // namespace velmora
