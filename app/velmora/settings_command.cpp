// "velmora settings ...": shows the settings and changes those a user sets
// (interval, concurrency, download pacing) for a program without a window.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app_paths.h"
#include "modes.h"
#include "system_settings.h"
#include "window_messages.h"

namespace velmora {

namespace {

bool parse_small(const std::string& text, int lo, int hi, int& out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int run_settings_command(const std::vector<std::string>& args) {
  const bool show = args.empty() || (args.size() == 1 && args[0] == "pacing");
  int value = 0;
  if (!show) {
    const bool known = args[0] == "interval" || args[0] == "concurrency" || args[0] == "pacing";
    if (args.size() != 2 || !known) {
      std::fprintf(stderr,
                   "usage: velmora settings [interval <0-8> | concurrency <1-5> | "
                   "pacing [<0-%d ms>]]\n",
                   SystemSettings::kMaxPacingMs);
      return kExitUsage;
    }
    int lo = 1, hi = 5;
    std::string range = "1 to 5";
    if (args[0] == "interval") {
      lo = 0;
      hi = 8;
      range = "0 to 8";
    } else if (args[0] == "pacing") {
      lo = 0;
      hi = SystemSettings::kMaxPacingMs;
      range = "0 to " + std::to_string(hi) + " (milliseconds)";
    }
    if (!parse_small(args[1], lo, hi, value)) {
      std::fprintf(stderr, "velmora settings: %s takes a number from %s, not '%s'\n",
                   args[0].c_str(), range.c_str(), args[1].c_str());
      return kExitUsage;
    }
  }
  if (!acquire_instance_lock()) return kExitAlreadyRunning;
  const AppPaths paths = AppPaths::from_environment();
  paths.create_folders();
  SystemSettings settings;
  std::int32_t concurrency = 4;
  settings.load(paths.settings_file(), concurrency);

  if (!show) {
    if (args[0] == "interval") {
      settings.interval_code = value;
    } else if (args[0] == "pacing") {
      settings.pacing_ms = value;
    } else {
      concurrency = value;
    }
    if (!settings.save(paths.settings_file(), concurrency)) {
      std::fprintf(stderr, "velmora settings: cannot write %s\n", paths.settings_file().c_str());
      return kExitFailed;
    }
  }
  if (args.size() == 1) {  // "pacing" alone
    std::printf("pacing        %d ms between chunk requests\n", settings.pacing_ms);
    return kExitOk;
  }
  std::string root;
  load_download_root(paths.sibling_settings_file(), paths.default_download_root(), root);
  if (root.empty()) root = paths.default_download_root();
  static const char* const english[] = {"off",    "10 minutes", "30 minutes",
                                        "1 hour", "2 hours",    "4 hours",
                                        "12 hours", "1 day",    "1 week"};
  const int code = settings.interval_code;
  std::printf("interval      %d (%s)\n", code, code >= 0 && code <= 8 ? english[code] : "off");
  std::printf("concurrency   %d camera(s) at a time\n", concurrency);
  std::printf("auto start    %s\n", settings.auto_start ? "on" : "off");
  std::printf("pacing        %d ms between chunk requests\n", settings.pacing_ms);
  std::printf("downloads     %s\n", root.c_str());
  std::printf("settings file %s\n", paths.settings_file().c_str());
  return kExitOk;
}

}  // namespace velmora
