// Where a camera's recordings go on disk: root/<id>/AlarmRecord/ for alarm
// recordings, root/<id>/Manual/ for everything else; "<base>.tmp" while
// partial, "<base>.avi" when complete, base = the camera's name less ".avi".
#pragma once

#include <cstdint>
#include <string>

#include "camera_records.h"

namespace velmora {

struct RecordingPaths {
  std::string folder;        // with a trailing "/"
  std::string partial;       // folder + base + ".tmp"
  std::string final_path;    // folder + base + ".avi"
};

std::string camera_folder(const std::string& root, std::int32_t camera_id);
std::string alarm_folder(const std::string& root, std::int32_t camera_id);
std::string manual_folder(const std::string& root, std::int32_t camera_id);

// The camera's name of a catalogue entry (up to its NUL, at most 32 bytes).
std::string entry_name(const NVS_SDK_V160::RECORD_FILE_ENTRY& e);

// The name comes from the camera and is untrusted: empty names, "." and "..",
// names with a "/" or "\" and names with control characters are refused, so
// nothing is ever written outside the camera's folder.
bool is_safe_name(const std::string& name);

// Kind 1 is an alarm recording; every other kind is filed as manual.
bool is_alarm(const NVS_SDK_V160::RECORD_FILE_ENTRY& e);

// Whether a file name in a camera's folder is one of our final files: a safe
// name ending in ".avi" that a camera name of at most 31 bytes gives.
bool is_final_file_name(const std::string& name);

// False for an unsafe name.
bool recording_paths(const std::string& root, std::int32_t camera_id,
                     const NVS_SDK_V160::RECORD_FILE_ENTRY& e, RecordingPaths& out);

}  // namespace velmora
