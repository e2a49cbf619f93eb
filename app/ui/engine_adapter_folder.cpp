// The download folder as the settings dialog chooses it.
#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#include "download_folder.h"
#include "engine_adapter.h"
#include "sync_controller.h"

namespace velmora::ui {

int EngineAdapter::download_root_source() const {
  std::string root;
  switch (resolve_download_root(controller_.settings(), controller_.options().paths, root)) {
    case RootSource::kOwnSetting: return 0;
    case RootSource::kSibling: return 1;
    default: return 2;
  }
}

bool EngineAdapter::set_download_folder(const QString& folder, QString& error) {
  const std::string path = normal_folder(folder.toStdString());
  if (const std::string why = check_download_folder(path); !why.empty()) {
    error = QString::fromStdString(why);
    return false;
  }
  SystemSettings& settings = controller_.settings();
  if (settings.download_folder == path) return true;
  settings.download_folder = path;
  // Runs under way finish where they started; nothing on disk moves.
  controller_.reload_download_root();
  const std::string file = controller_.options().paths.settings_file();
  errno = 0;
  if (!settings.save(file, controller_.scheduler().concurrency())) {
    error = QCoreApplication::translate("Console", "cannot write %1: %2")
                .arg(QString::fromStdString(file),
                     QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO)));
    return false;
  }
  return true;
}

}  // namespace velmora::ui
