// Where the program keeps its files: the application-data tree it shares with
// the sibling program, and the per-session runtime folder for the instance
// lock and the local message endpoints.
#pragma once

#include <cstdio>
#include <string>

#include "runtime_dir.h"

namespace velmora {

struct AppPaths {
  std::string appdata;  // $XDG_DATA_HOME, else ~/.local/share

  std::string common_folder() const { return appdata + "/OV"; }
  std::string program_folder() const { return appdata + "/OV/QTX"; }
  std::string settings_file() const { return program_folder() + "/Settings.xml"; }
  std::string alias_file() const { return program_folder() + "/UserAlias.txt"; }
  std::string background_picture() const {
    return program_folder() + "/Resource/Bitmap/QTX_BKG_Pic.jpg";
  }
  std::string sibling_settings_file() const { return common_folder() + "/Settings.xml"; }
  std::string data_folder() const { return common_folder() + "/data"; }
  std::string record_info_folder() const { return data_folder() + "/RecordInfoData"; }
  std::string camera_list_file() const {
    return data_folder() + "/RecordAutoSynchronizationInfos.dat";
  }
  // Options of single cameras that the camera list file has no room for.
  std::string camera_options_file() const { return data_folder() + "/VelmoraCameraOptions.txt"; }
  // Every camera's runs, one JSON object per line (run_history.h).
  std::string history_file() const { return data_folder() + "/SyncHistory.jsonl"; }
  std::string default_download_root() const { return common_folder() + "/RecordDownload"; }

  // From the environment.
  static AppPaths from_environment();
  // Rooted at an explicit APPDATA (tests, the demo).
  static AppPaths at(const std::string& appdata) { return AppPaths{appdata}; }

  // Creates the program, common, data, record-info and default download
  // folders with their parents. Failures are not reported here: the files
  // inside then fail to open and their owners handle that.
  void create_folders() const;
};

// runtime_dir() (runtime_dir.h) holds "_Velmora.lock" and the endpoints
// "Velmora" and "Orlaview".

// Creates a folder and all missing parents; true if it exists afterwards.
bool make_folders(const std::string& path);

bool file_exists(const std::string& path);

// Opens a file for reading in byte mode only when it is a regular file: a
// FIFO or a device in its place would block the program or never end.
// Null otherwise.
std::FILE* open_regular_file(const std::string& path);

}  // namespace velmora
