#include "camera_store.h"

#include "app_paths.h"

#include <cstdio>
#include <cstring>

#include "private_file.h"

namespace velmora {

bool load_camera_file(const std::string& path, CameraTable& table) {
  std::FILE* f = open_regular_file(path);
  if (!f) return false;
  table.clear();
  CameraRecord r;
  while (std::fread(&r, 1, sizeof r, f) == sizeof r) table[std::int32_t{r.camera_id}] = r;
  std::fclose(f);
  return true;
}

bool save_camera_file(const std::string& path, const CameraTable& table) {
  std::string bytes;
  bytes.reserve(table.size() * sizeof(CameraRecord));
  for (const auto& [id, r] : table) {
    (void)id;
    bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
  }
  // The file holds passwords in plain text: readable by its owner only,
  // whatever the mode of the file it replaces.
  return replace_private_file(path, bytes);
}

}  // namespace velmora
