#include "download_folder.h"

#include "download_layout.h"

#include <QCoreApplication>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace velmora {

RootSource resolve_download_root(const SystemSettings& settings, const AppPaths& paths,
                                 std::string& root) {
  if (!settings.download_folder.empty()) {
    root = settings.download_folder;
    return RootSource::kOwnSetting;
  }
  root = paths.default_download_root();
  const int found = load_download_root(paths.sibling_settings_file(), root, root);
  if (found == 0 && !root.empty()) return RootSource::kSibling;
  root = paths.default_download_root();
  if (found == -1) return RootSource::kDefaultNoFolder;
  return found == -3 ? RootSource::kDefaultRefused : RootSource::kDefaultNoFile;
}

int remove_partial_files(const std::string& root, std::int32_t camera_id, std::uint64_t& bytes) {
  namespace fs = std::filesystem;
  int removed = 0;
  for (const std::string& folder : {alarm_folder(root, camera_id), manual_folder(root, camera_id)}) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) continue;  // no links followed
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
      std::error_code fec;
      if (e.path().extension() != ".tmp" || !e.is_regular_file(fec) || e.is_symlink(fec)) continue;
      const std::uintmax_t size = e.file_size(fec);
      if (fs::remove(e.path(), fec)) {
        ++removed;
        bytes += fec ? 0 : size;
      }
    }
  }
  return removed;
}

std::string normal_folder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string check_download_folder(const std::string& given) {
  auto says = [](const char* text, const std::string& detail = {}) {
    return QCoreApplication::translate("Console", text)
        .arg(QString::fromLocal8Bit(detail.c_str()))
        .toStdString();
  };
  const std::string folder = normal_folder(given);
  if (folder.empty() || folder.front() != '/')
    return says(QT_TRANSLATE_NOOP("Console", "it is not an absolute path (it must start with /)"));
  if (folder == "/")
    return says(QT_TRANSLATE_NOOP("Console", "the root folder / cannot hold the recordings"));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return says(QT_TRANSLATE_NOOP("Console", "it cannot be created: %1"), ec.message());
  if (!std::filesystem::is_directory(folder, ec))
    return says(QT_TRANSLATE_NOOP("Console", "it is not a folder"));
  std::string probe = folder + "/.velmora-write-test-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) return says(QT_TRANSLATE_NOOP("Console", "it is not writable: %1"), std::strerror(errno));
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

namespace {

std::string failed_on(const char* text, const std::string& path, int error) {
  return QCoreApplication::translate("Console", text)
      .arg(QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(error)))
      .toStdString();
}

// One level only, so that the report names the folder that really failed.
std::string make_one_folder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0777) == 0) return {};
  int error = errno;
  struct stat st {};
  if (error == EEXIST) {
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    error = ENOTDIR;  // a file (or a dangling link) has the folder's name
  }
  return failed_on(QT_TRANSLATE_NOOP("Console", "cannot create folder %1: %2"), folder, error);
}

// Creating a file is the only sure test: a read-only mount, an ACL or a
// full inode table all refuse here and nowhere earlier.
std::string take_a_file(const std::string& folder) {
  std::string probe = folder + "/.velmora-write-test-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0)
    return failed_on(QT_TRANSLATE_NOOP("Console", "cannot create a file in folder %1: %2"), folder,
                     errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

}  // namespace

std::string prepare_camera_folders(const std::string& root, std::int32_t camera_id) {
  const std::string folder = normal_folder(camera_folder(root, camera_id));
  std::string why = make_one_folder(folder);
  for (const std::string& sub : {alarm_folder(root, camera_id), manual_folder(root, camera_id)}) {
    if (!why.empty()) break;
    const std::string path = normal_folder(sub);
    why = make_one_folder(path);
    if (why.empty()) why = take_a_file(path);
  }
  return why;
}

}  // namespace velmora
