#include "app_paths.h"

#include <fcntl.h>
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

std::FILE* open_regular_file(const std::string& path) {
  // Non-blocking, so that opening a FIFO without a writer returns at once.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

}  // namespace velmora
