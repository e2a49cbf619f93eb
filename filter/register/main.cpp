// pellaquin-register [--unregister] [--plugin FILE]: makes .zrv recordings
// open in the desktop's video player for the current user, or undoes it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "registration.h"

namespace fs = std::filesystem;

namespace {

std::string DataHome() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share";
}

// The plug-in beside this program, in the library folder of its prefix, in
// the folder it was installed into, or where the build put it.
std::string FindPlugin() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  std::vector<fs::path> candidates;
  if (!ec) {
    candidates.push_back(self.parent_path() / "libgstpellaquin.so");
    candidates.push_back(self.parent_path().parent_path() / "lib" / "gstreamer-1.0" / "libgstpellaquin.so");
  }
  candidates.push_back(fs::path(PELLAQUIN_INSTALLED_PLUGIN));
  candidates.push_back(fs::path(PELLAQUIN_BUILT_PLUGIN));
  for (auto& c : candidates)
    if (fs::is_regular_file(c, ec)) return c.string();
  return candidates.back().string();
}

// The recording player beside this program, in its prefix or where it was
// installed or built; "" when there is none.
std::string FindPlayer() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  std::vector<fs::path> candidates;
  if (!ec) candidates.push_back(self.parent_path() / "pellaquin-player");
  candidates.push_back(fs::path(PELLAQUIN_INSTALLED_PLAYER));
#ifdef PELLAQUIN_BUILT_PLAYER
  candidates.push_back(fs::path(PELLAQUIN_BUILT_PLAYER));
#endif
  for (auto& c : candidates)
    if (fs::is_regular_file(c, ec) && access(c.c_str(), X_OK) == 0) return c.string();
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  pellaquin::RegistrationPaths paths;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--unregister") {
      unregister = true;
    } else if (a == "--plugin" && i + 1 < argc) {
      paths.plugin_file = argv[++i];
    } else {
      std::fprintf(stderr, "usage: pellaquin-register [--unregister] [--plugin FILE]\n");
      return a == "-h" || a == "--help" ? 0 : 2;
    }
  }
  paths.data_home = DataHome();
  if (paths.plugin_file.empty()) paths.plugin_file = FindPlugin();
  paths.player_program = FindPlayer();
  std::string error;
  int rc = unregister ? pellaquin::Unregister(paths, &error) : pellaquin::Register(paths, &error);
  if (rc != 0) {
    std::fprintf(stderr, "pellaquin-register: %s\n", error.c_str());
    return rc;
  }
  std::printf("%s .zrv recordings for this user (%s)\n", unregister ? "Unregistered" : "Registered",
              paths.data_home.c_str());
  return 0;
}
