// Where recordings go: the folder set in our own settings, else the one the
// sibling's settings file names, else the default under the data folder; and
// the check a folder must pass before recordings are written into it.
#pragma once

#include <cstdint>
#include <string>

#include "app_paths.h"
#include "system_settings.h"

namespace velmora {

enum class RootSource {
  kOwnSetting,      // our settings file ("velmora settings download-folder")
  kSibling,         // the sibling's settings file
  kDefaultNoFolder, // default: the sibling's file names no folder
  kDefaultNoFile,   // default: no readable sibling settings file
  kDefaultRefused,  // default: the sibling's folder is relative or "/"
};

// The download root and where it comes from.
RootSource resolve_download_root(const SystemSettings& settings, const AppPaths& paths,
                                 std::string& root);

// Empty when `folder` can take recordings: absolute, not "/", a folder that
// exists or could be created, and writable (a file is created and removed
// to find out, which also catches read-only mounts). Otherwise the reason,
// in the user's language. Creates the folder when it is missing.
std::string check_download_folder(const std::string& folder);

// Creates the camera's folder and its alarm and manual folders, one step at
// a time, and makes sure each can take a new file. Empty when they can;
// otherwise the step that failed, its path and the system's reason, in the
// user's language ("cannot create folder …/Manual: Read-only file system").
std::string prepare_camera_folders(const std::string& root, std::int32_t camera_id);

// Removes the partial (".tmp") files in a camera's alarm and manual
// folders, never a finished recording or anything that is not a regular
// file; the number removed, their bytes added to `bytes`.
int remove_partial_files(const std::string& root, std::int32_t camera_id, std::uint64_t& bytes);

// The folder as stored: trailing slashes removed.
std::string normal_folder(std::string folder);

}  // namespace velmora
