// The profile of the running instance: changes go through its engine, which
// stops what they affect, saves the files and tells the sibling.
#pragma once

#include <functional>

#include "profile.h"
#include "sync_controller.h"

namespace velmora {

class EngineProfile : public Profile {
public:
  // `on_interval` runs after the automatic interval was re-armed.
  EngineProfile(SyncController& controller, std::function<void()> on_interval = {})
      : controller_(controller), on_interval_(std::move(on_interval)) {}
  CameraTable cameras() override { return controller_.cameras(); }
  bool put_camera(const CameraRecord& record, std::string& error) override;
  bool remove_camera(std::int32_t id, std::string& error) override;
  bool change_camera(const CameraRecord& record, bool& restarted, std::string& error) override;
  bool running() const override { return true; }
  std::string alias(std::int32_t id) override { return controller_.alias_of(id); }
  bool set_alias(std::int32_t id, const std::string& alias, std::string& error) override;
  CameraOptions camera_options(std::int32_t id) override { return controller_.camera_options(id); }
  bool set_camera_options(std::int32_t id, const CameraOptions& options,
                          std::string& error) override;
  ProfileSettings settings() override;
  bool change_settings(const ProfileSettings& settings, std::string& error) override;
  int start_all(std::string& error) override;
  std::string download_root() override { return controller_.scheduler().download_root(); }

private:
  bool saved(const std::function<bool(const CameraTable&)>& holds, std::string& error);
  // Whether the camera list on disk holds this record.
  bool saved_record(const CameraRecord& record, std::string& error);

  SyncController& controller_;
  std::function<void()> on_interval_;
};

}  // namespace velmora
