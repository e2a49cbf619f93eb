#include "profile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#include "sibling_link.h"
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
  return save(table, error);
}

ProfileSettings FileProfile::settings() {
  SystemSettings s;
  ProfileSettings out;
  s.load(paths_.settings_file(), out.concurrency);
  out.interval_code = s.interval_code;
  out.pacing_ms = s.pacing_ms;
  return out;
}

bool FileProfile::change_settings(const ProfileSettings& settings, std::string& error) {
  SystemSettings s;
  std::int32_t concurrency = 4;
  s.load(paths_.settings_file(), concurrency);  // keeps the auto-start flag
  s.interval_code = settings.interval_code;
  s.pacing_ms = settings.pacing_ms;
  errno = 0;
  if (!s.save(paths_.settings_file(), settings.concurrency)) {
    error = write_error(paths_.settings_file());
    return false;
  }
  return true;
}

int FileProfile::start_all(std::string& error) {
  error = QCoreApplication::translate("Console",
                                      "no Velmora service is running; 'velmora --headless --once' "
                                      "synchronises every camera now")
              .toStdString();
  return -1;
}

}  // namespace velmora
