// What the camera and settings commands read and change. With no Velmora
// running that is the files themselves; inside a running instance it is the
// instance's engine, which applies a change at once and saves it, so that
// nothing one side writes is lost by the other.
#pragma once

#include <cstdint>
#include <string>

#include "app_paths.h"
#include "system_settings.h"
#include "camera_options.h"
#include "camera_store.h"

namespace velmora {

struct ProfileSettings {
  std::int32_t interval_code = 1;
  std::int32_t concurrency = 4;
  std::int32_t pacing_ms = SystemSettings::kDefaultPacingMs;
  std::int64_t min_free_bytes = SystemSettings::kDefaultMinFreeBytes;
  std::int32_t keep_days = 0;
  std::string download_folder;  // "" = the sibling's settings or the default
  bool notify_desktop = true;
  std::string notify_command;   // "" = none
};

class Profile {
public:
  virtual ~Profile() = default;
  virtual CameraTable cameras() = 0;
  // Adds or replaces the camera with the record's id.
  virtual bool put_camera(const CameraRecord& record, std::string& error) = 0;
  // Removes the camera and its options.
  virtual bool remove_camera(std::int32_t id, std::string& error) = 0;
  // Puts the changed record of a configured camera. A running program stops
  // the camera to take the change; one that was waiting, running or had
  // failed starts again with it (`restarted`).
  virtual bool change_camera(const CameraRecord& record, bool& restarted, std::string& error) {
    restarted = false;
    return put_camera(record, error);
  }
  // True inside a running program, which applies a change at once.
  virtual bool running() const { return false; }
  virtual std::string alias(std::int32_t id) = 0;
  // Saved at once; "" removes it.
  virtual bool set_alias(std::int32_t id, const std::string& alias, std::string& error) = 0;
  virtual CameraOptions camera_options(std::int32_t id) = 0;
  virtual bool set_camera_options(std::int32_t id, const CameraOptions& options,
                                  std::string& error) = 0;
  virtual ProfileSettings settings() = 0;
  virtual bool change_settings(const ProfileSettings& settings, std::string& error) = 0;
  // Starts every camera now; the number started, or -1 with an error.
  virtual int start_all(std::string& error) = 0;
  // Where recordings are written now.
  virtual std::string download_root() = 0;
};

// The files of a profile, changed while this process holds the instance lock.
class FileProfile : public Profile {
public:
  explicit FileProfile(AppPaths paths) : paths_(std::move(paths)) {}
  CameraTable cameras() override;
  bool put_camera(const CameraRecord& record, std::string& error) override;
  bool remove_camera(std::int32_t id, std::string& error) override;
  std::string alias(std::int32_t id) override;
  bool set_alias(std::int32_t id, const std::string& alias, std::string& error) override;
  CameraOptions camera_options(std::int32_t id) override;
  bool set_camera_options(std::int32_t id, const CameraOptions& options,
                          std::string& error) override;
  ProfileSettings settings() override;
  bool change_settings(const ProfileSettings& settings, std::string& error) override;
  int start_all(std::string& error) override;
  std::string download_root() override;

private:
  bool save(const CameraTable& table, std::string& error);
  AppPaths paths_;
};

// "cannot write <path>: <reason>" from errno.
std::string write_error(const std::string& path);

}  // namespace velmora
