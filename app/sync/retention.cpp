#include "retention.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "download_layout.h"

namespace velmora {

namespace {

void sweep(const std::string& folder, std::time_t cutoff, RetentionResult& r) {
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
  sweep(alarm_folder(root, camera_id), cutoff, r);
  sweep(manual_folder(root, camera_id), cutoff, r);
  return r;
}

}  // namespace velmora
