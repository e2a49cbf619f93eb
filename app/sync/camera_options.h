// Per-camera options that the camera list file has no room for (its records
// have a fixed layout shared with the sibling program), kept in a small
// private file beside it: one line per camera with options other than the
// defaults, "<id> <option> ...". Unknown words are ignored, so a newer
// program's options do not break an older one.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace velmora {

struct CameraOptions {
  // Ask the camera to delete each recording once its copy on disk is
  // complete and verified.
  bool delete_after_copy = false;

  bool is_default() const { return !delete_after_copy; }
};

using CameraOptionsTable = std::map<std::int32_t, CameraOptions>;

// A missing or unreadable file gives an empty table (every camera has the
// defaults).
CameraOptionsTable load_camera_options(const std::string& path);
// Writes the non-default entries (mode 0600); false when it cannot be written.
bool save_camera_options(const std::string& path, const CameraOptionsTable& table);

}  // namespace velmora
