#include "catalogue_compare.h"

#include <set>

#include "app_paths.h"
#include "download_layout.h"
#include "removed_recordings.h"

namespace velmora {

CatalogueComparison compare_catalogue(const std::string& root, std::int32_t camera_id,
                                      const std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& catalogue) {
  CatalogueComparison out;
  std::set<std::string> claimed;  // final paths taken by an earlier entry
  // Recordings retention removed stay removed while the camera still
  // holds them.
  const std::string camera = camera_folder(root, camera_id);
  const RemovedSet removed = load_removed(camera);
  for (const auto& e : catalogue) {
    RecordingPaths paths;
    if (!recording_paths(root, camera_id, e, paths)) {
      out.skipped.push_back({entry_name(e), "unsafe file name refused"});
      continue;
    }
    if (!claimed.insert(paths.final_path).second) {
      out.skipped.push_back({entry_name(e), "another recording of this camera has the same file name"});
      continue;
    }
    if (file_exists(paths.final_path)) continue;
    if (!removed.empty() && paths.final_path.compare(0, camera.size(), camera) == 0 &&
        removed.count({paths.final_path.substr(camera.size()), e.file_size}))
      continue;
    out.missing.push_back(e);
  }
  return out;
}

}  // namespace velmora
