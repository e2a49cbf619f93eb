// The program's own settings (start with the desktop session, concurrency
// limit, automatic interval, program path) with their XML file, and the
// download root read from the sibling program's settings file.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

struct SystemSettings {
  bool auto_start = false;
  std::int32_t interval_code = 1;
  std::string program_path;  // of the running program, never read from the file
  // Least wait between the requests of one recording's chunks; 0 asks for
  // the next chunk as soon as a block ends.
  static constexpr std::int32_t kDefaultPacingMs = 500;
  static constexpr std::int32_t kMaxPacingMs = 60000;
  std::int32_t pacing_ms = kDefaultPacingMs;
  // A camera's run stops with "disk full" when the download folder's file
  // system has less than this free (0 = never). Default 1 GiB.
  static constexpr std::int64_t kDefaultMinFreeBytes = std::int64_t{1} << 30;
  static constexpr std::int64_t kMaxMinFreeBytes = std::int64_t{1} << 50;  // 1 PiB
  std::int64_t min_free_bytes = kDefaultMinFreeBytes;
  // Finished recordings older than this many days are removed after a
  // camera's successful run (0 = kept for ever, the default).
  static constexpr std::int32_t kMaxKeepDays = 36500;
  std::int32_t keep_days = 0;
  // Where recordings go, when the user chose it here ("" = the sibling's
  // settings file decides, or the default). Stored by name after every
  // element older readers take by position.
  std::string download_folder;
  // Whether the window shows a desktop notification when a camera's run
  // fails (once per camera and run).
  bool notify_desktop = true;
  // A program run with the camera, outcome and reason when a camera's run
  // fails, as the user typed it: words split at blanks, "double quotes"
  // group, never a shell ("" = none).
  std::string notify_command;

  // Reads the settings file by element position (names are not looked at):
  // 1st child "1" = auto start, 2nd the concurrency limit, 3rd the interval
  // code, 5th (after the program path) the pacing; the free-space limit and
  // the days to keep are found by their names ("MinFreeBytes", "KeepDays"),
  // as are the later ones (download folder, notifications).
  // A missing or unparsable file gives the defaults. `concurrency` is set only when the file holds an
  // acceptable limit (1..5).
  void load(const std::string& path, std::int32_t& concurrency);

  // Writes the whole document; false when the file cannot be written. The
  // pacing is written only when it is not the default, so a default file
  // keeps the four elements older readers know; it is written anyway ahead
  // of a non-default free-space limit or days to keep, so that older
  // readers, which take the 5th element as the pacing, never mistake those
  // for it.
  bool save(const std::string& path, std::int32_t concurrency) const;
};

// Path of the running program file.
std::string running_program_path();

// Download root from the sibling's settings file: the text of the first child
// element of the root's second child element. 0 found (root set), -1 file read
// but the element or its text is missing (root unchanged), -2 file unreadable
// (root = default_root), -3 a relative folder or "/" refused with a line on
// standard error (root = default_root).
int load_download_root(const std::string& sibling_settings, const std::string& default_root,
                       std::string& root);

}  // namespace velmora
