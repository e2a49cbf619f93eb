#include "profile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#include "alias_store.h"
#include "link_messages.h"
#include "sibling_link.h"
#include "download_folder.h"
#include "system_settings.h"
#include "window_messages.h"

namespace velmora {

std::string write_error(const std::string& path) {
  return QCoreApplication::translate("Console", "cannot write %1: %2")
      .arg(QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(errno)))
      .toStdString();
}

CameraTable FileProfile::cameras() {
  CameraTable table;
  load_camera_file(paths_.camera_list_file(), table);
  return table;
}

bool FileProfile::save(const CameraTable& table, std::string& error) {
  errno = 0;
  if (!save_camera_file(paths_.camera_list_file(), table)) {
    error = write_error(paths_.camera_list_file());
    return false;
  }
  // The sibling re-reads the list when told; it may not be running.
  LinkFrame f;
  f.msg = WM_RECORDS_CHANGED;
  send_frames(QString::fromStdString(runtime_dir()), QString::fromLatin1(kSiblingEndpoint), {f},
              500);
  return true;
}

bool FileProfile::put_camera(const CameraRecord& record, std::string& error) {
  CameraTable table = cameras();
  table[record.camera_id] = record;
  return save(table, error);
}

bool FileProfile::remove_camera(std::int32_t id, std::string& error) {
  CameraTable table = cameras();
  table.erase(id);
  if (!save(table, error)) return false;
  return camera_options(id).is_default() || set_camera_options(id, CameraOptions{}, error);
}

std::string FileProfile::alias(std::int32_t id) {
  AliasTable table;
  load_alias_file(paths_.alias_file(), table);
  auto it = table.find(id);
  return it == table.end() ? std::string() : it->second;
}

bool FileProfile::set_alias(std::int32_t id, const std::string& alias, std::string& error) {
  AliasTable table;
  load_alias_file(paths_.alias_file(), table);
  table[id] = clean_alias(alias);
  errno = 0;
  if (!save_alias_file(paths_.alias_file(), table)) {
    error = write_error(paths_.alias_file());
    return false;
  }
  return true;
}

CameraOptions FileProfile::camera_options(std::int32_t id) {
  const CameraOptionsTable table = load_camera_options(paths_.camera_options_file());
  auto it = table.find(id);
  return it == table.end() ? CameraOptions{} : it->second;
}

bool FileProfile::set_camera_options(std::int32_t id, const CameraOptions& options,
                                     std::string& error) {
  CameraOptionsTable table = load_camera_options(paths_.camera_options_file());
  if (options.is_default()) {
    table.erase(id);
  } else {
    table[id] = options;
  }
  errno = 0;
  if (!save_camera_options(paths_.camera_options_file(), table)) {
    error = write_error(paths_.camera_options_file());
    return false;
  }
  return true;
}

ProfileSettings FileProfile::settings() {
  SystemSettings s;
  ProfileSettings out;
  s.load(paths_.settings_file(), out.concurrency);
  out.interval_code = s.interval_code;
  out.pacing_ms = s.pacing_ms;
  out.min_free_bytes = s.min_free_bytes;
  out.keep_days = s.keep_days;
  out.download_folder = s.download_folder;
  out.notify_desktop = s.notify_desktop;
  out.notify_command = s.notify_command;
  return out;
}

bool FileProfile::change_settings(const ProfileSettings& settings, std::string& error) {
  SystemSettings s;
  std::int32_t concurrency = 4;
  s.load(paths_.settings_file(), concurrency);  // keeps the auto-start flag
  s.interval_code = settings.interval_code;
  s.pacing_ms = settings.pacing_ms;
  s.min_free_bytes = settings.min_free_bytes;
  s.keep_days = settings.keep_days;
  s.download_folder = settings.download_folder;
  s.notify_desktop = settings.notify_desktop;
  s.notify_command = settings.notify_command;
  errno = 0;
  if (!s.save(paths_.settings_file(), settings.concurrency)) {
    error = write_error(paths_.settings_file());
    return false;
  }
  return true;
}

std::string FileProfile::download_root() {
  SystemSettings s;
  std::int32_t concurrency = 4;
  s.load(paths_.settings_file(), concurrency);
  std::string root;
  resolve_download_root(s, paths_, root);
  return root;
}

int FileProfile::start_all(std::string& error) {
  error = QCoreApplication::translate("Console",
                                      "no Velmora service is running; 'velmora --headless --once' "
                                      "synchronises every camera now")
              .toStdString();
  return -1;
}

}  // namespace velmora
