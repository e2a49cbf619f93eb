#include "engine_profile.h"

#include <QCoreApplication>

#include <cstring>

namespace velmora {

namespace {

bool unsaved(const std::string& path, std::string& error) {
  error = QCoreApplication::translate("Console",
                                      "the running Velmora could not write %1; the change holds "
                                      "until it exits")
              .arg(QString::fromStdString(path))
              .toStdString();
  return false;
}

}  // namespace

// The engine saves after every change but does not say whether the save
// worked; the file itself tells.
bool EngineProfile::saved(const std::function<bool(const CameraTable&)>& holds,
                          std::string& error) {
  CameraTable on_disk;
  const std::string path = controller_.options().paths.camera_list_file();
  if (load_camera_file(path, on_disk) && holds(on_disk)) return true;
  return unsaved(path, error);
}

bool EngineProfile::saved_record(const CameraRecord& record, std::string& error) {
  return saved(
      [&](const CameraTable& t) {
        auto it = t.find(record.camera_id);
        return it != t.end() && std::memcmp(&it->second, &record, sizeof record) == 0;
      },
      error);
}

bool EngineProfile::put_camera(const CameraRecord& record, std::string& error) {
  controller_.add_or_update(record);
  return saved_record(record, error);
}

bool EngineProfile::change_camera(const CameraRecord& record, bool& restarted,
                                  std::string& error) {
  restarted = controller_.change_camera(record);
  return saved_record(record, error);
}

bool EngineProfile::set_alias(std::int32_t id, const std::string& alias, std::string& error) {
  controller_.set_alias(id, alias);
  AliasTable on_disk;
  const std::string path = controller_.options().paths.alias_file();
  load_alias_file(path, on_disk);
  auto it = on_disk.find(id);
  if (it != on_disk.end() && it->second == clean_alias(alias)) return true;
  return unsaved(path, error);
}

bool EngineProfile::remove_camera(std::int32_t id, std::string& error) {
  controller_.remove_camera(id);
  return saved([&](const CameraTable& t) { return t.count(id) == 0; }, error);
}

bool EngineProfile::set_camera_options(std::int32_t id, const CameraOptions& options,
                                       std::string& error) {
  if (controller_.set_camera_options(id, options)) return true;
  error = "the running Velmora could not write " +
          controller_.options().paths.camera_options_file() +
          "; the change holds until it exits";
  return false;
}

ProfileSettings EngineProfile::settings() {
  ProfileSettings s;
  s.interval_code = controller_.settings().interval_code;
  s.concurrency = controller_.scheduler().concurrency();
  s.pacing_ms = controller_.settings().pacing_ms;
  s.min_free_bytes = controller_.settings().min_free_bytes;
  s.keep_days = controller_.settings().keep_days;
  s.download_folder = controller_.settings().download_folder;
  s.notify_desktop = controller_.settings().notify_desktop;
  s.notify_command = controller_.settings().notify_command;
  return s;
}

bool EngineProfile::change_settings(const ProfileSettings& s, std::string& error) {
  SystemSettings& current = controller_.settings();
  if (current.interval_code != s.interval_code) {
    current.interval_code = s.interval_code;
    controller_.arm_auto_sync();
    if (on_interval_) on_interval_();
  }
  controller_.scheduler().set_concurrency(s.concurrency);
  current.pacing_ms = s.pacing_ms;
  controller_.scheduler().set_pacing_ms(s.pacing_ms);
  current.min_free_bytes = s.min_free_bytes;
  current.keep_days = s.keep_days;
  current.notify_desktop = s.notify_desktop;
  current.notify_command = s.notify_command;
  controller_.apply_disk_settings();
  // Runs under way finish in the folder they started in; the next ones
  // use the new folder. Nothing already downloaded moves.
  if (current.download_folder != s.download_folder) {
    current.download_folder = s.download_folder;
    controller_.reload_download_root();
  }
  // Saved now rather than at exit, so that a command reading the file
  // afterwards sees the change.
  const std::string path = controller_.options().paths.settings_file();
  if (!current.save(path, controller_.scheduler().concurrency())) {
    error = QCoreApplication::translate("Console", "the running Velmora could not write %1")
                .arg(QString::fromStdString(path))
                .toStdString();
    return false;
  }
  return true;
}

int EngineProfile::start_all(std::string& error) {
  (void)error;
  controller_.start_all();
  return static_cast<int>(controller_.cameras().size());
}

}  // namespace velmora
