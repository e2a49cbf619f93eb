// Retention: removes a camera's finished recordings that are older than the
// days to keep. Only files this program writes are candidates (a final
// "*.avi" name in the camera's AlarmRecord/ and Manual/ folders, a regular
// file, not a link); partial files, other files and other folders are never
// touched, and files go one at a time, so a stop half way leaves nothing
// half done.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace velmora {

struct RetentionResult {
  int files = 0;              // removed
  std::uint64_t bytes = 0;    // their sizes
  int failed = 0;             // old enough but could not be removed
};

// Removes the recordings of camera `camera_id` under `root` whose
// modification time is more than `keep_days` days before `now`. keep_days
// <= 0 keeps everything.
RetentionResult apply_retention(const std::string& root, std::int32_t camera_id,
                                std::int32_t keep_days, std::time_t now);

}  // namespace velmora
