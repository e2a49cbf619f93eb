#include "download_layout.h"

namespace velmora {

std::string camera_folder(const std::string& root, std::int32_t camera_id) {
  return root + "/" + std::to_string(camera_id) + "/";
}
std::string alarm_folder(const std::string& root, std::int32_t camera_id) {
  return camera_folder(root, camera_id) + "AlarmRecord/";
}
std::string manual_folder(const std::string& root, std::int32_t camera_id) {
  return camera_folder(root, camera_id) + "Manual/";
}

std::string entry_name(const NVS_SDK_V160::RECORD_FILE_ENTRY& e) {
  std::size_t n = 0;
  while (n < sizeof e.file_name && e.file_name[n] != '\0') ++n;
  return std::string(e.file_name, n);
}

bool is_safe_name(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool is_final_file_name(const std::string& name) {
  // "x.avi" keeps its name; any other name gets ".avi" added.
  return name.size() > 4 && name.size() <= 31 + 4 && is_safe_name(name) &&
         name.compare(name.size() - 4, 4, ".avi") == 0;
}

bool is_alarm(const NVS_SDK_V160::RECORD_FILE_ENTRY& e) { return e.record_kind == 1; }

bool recording_paths(const std::string& root, std::int32_t camera_id,
                     const NVS_SDK_V160::RECORD_FILE_ENTRY& e, RecordingPaths& out) {
  const std::string name = entry_name(e);
  if (!is_safe_name(name)) return false;
  std::string base = name;
  if (base.size() >= 4 && base.compare(base.size() - 4, 4, ".avi") == 0)
    base.resize(base.size() - 4);
  out.folder = is_alarm(e) ? alarm_folder(root, camera_id) : manual_folder(root, camera_id);
  out.partial = out.folder + base + ".tmp";
  out.final_path = out.folder + base + ".avi";
  return true;
}

}  // namespace velmora
