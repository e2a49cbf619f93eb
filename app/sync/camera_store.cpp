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
  const std::string tmp = path + ".new";
  // The file holds passwords in plain text: readable by its owner only,
  // whatever the mode of the file it replaces.
  std::FILE* f = open_private(tmp);
  if (!f) return false;
  bool ok = true;
  for (const auto& [id, r] : table) {
    (void)id;
    if (std::fwrite(&r, 1, sizeof r, f) != sizeof r) ok = false;
  }
  if (std::fclose(f) != 0) ok = false;
  if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace velmora
