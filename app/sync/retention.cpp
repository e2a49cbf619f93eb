#include "retention.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "download_layout.h"
#include "removed_recordings.h"

namespace velmora {

namespace {

void sweep(const std::string& camera, const std::string& sub, std::time_t cutoff,
           RetentionResult& r) {
  const std::string folder = camera + sub;
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (!is_final_file_name(name)) continue;
    const std::string path = folder + name;
    struct stat st {};
    // lstat: a link is never followed out of the folder, nor removed.
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (st.st_mtime >= cutoff) continue;
    // Noted first: a recording removed but not noted would come back with
    // the next run, one noted but not removed is only left on disk.
    if (!note_removed(camera, sub + name, static_cast<std::uint64_t>(st.st_size))) {
      ++r.failed;
      continue;
    }
    if (::unlink(path.c_str()) == 0) {
      ++r.files;
      r.bytes += static_cast<std::uint64_t>(st.st_size);
    } else {
      ++r.failed;
    }
  }
  ::closedir(d);
}

}  // namespace

RetentionResult apply_retention(const std::string& root, std::int32_t camera_id,
                                std::int32_t keep_days, std::time_t now) {
  RetentionResult r;
  if (keep_days <= 0 || root.empty()) return r;
  const std::time_t cutoff = now - static_cast<std::time_t>(keep_days) * 86400;
  const std::string camera = camera_folder(root, camera_id);
  sweep(camera, alarm_folder(root, camera_id).substr(camera.size()), cutoff, r);
  sweep(camera, manual_folder(root, camera_id).substr(camera.size()), cutoff, r);
  return r;
}

}  // namespace velmora
