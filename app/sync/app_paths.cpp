#include "app_paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velmora {

AppPaths AppPaths::from_environment() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return AppPaths{xdg};
  const char* home = std::getenv("HOME");
  return AppPaths{std::string(home && *home ? home : ".") + "/.local/share"};
}

bool make_folders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

void AppPaths::create_folders() const {
  make_folders(program_folder());
  make_folders(common_folder());
  make_folders(data_folder());
  make_folders(record_info_folder());
  make_folders(default_download_root());
  // The camera list and the settings hold passwords and addresses; the
  // recordings are the user's own video. Only the owner may enter.
  for (const std::string& folder : {common_folder(), program_folder(), data_folder()})
    ::chmod(folder.c_str(), 0700);
}

}  // namespace velmora
