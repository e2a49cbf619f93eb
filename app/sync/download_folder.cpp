#include "download_folder.h"

#include "download_layout.h"

#include <QCoreApplication>

#include <stdlib.h>
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

}  // namespace velmora
