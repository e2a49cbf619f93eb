// What retention removed from a camera's folders, so that a later run does
// not fetch those recordings again while the camera still holds them. Kept
// as ".velmora-removed" in the camera's download folder: one line per
// recording, "<size> <folder>/<file name>", newest last.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

namespace velmora {

// (path below the camera folder, size in bytes). `camera_folder` is the
// download layout's, ending in "/".
using RemovedSet = std::set<std::pair<std::string, std::uint64_t>>;

// Adds one removed recording. Past `cap` bytes the record keeps its newest
// half (rewritten beside it and renamed over it). False when it could not be
// written.
bool note_removed(const std::string& camera_folder, const std::string& relative_path,
                  std::uint64_t size, std::int64_t cap = 256 * 1024);
// Every recording noted for the camera; malformed lines are skipped.
RemovedSet load_removed(const std::string& camera_folder);

}  // namespace velmora
