// "velmora cameras ...": the camera list file edited from the command line,
// with the same rules as the add and remove commands of the window.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "alias_store.h"
#include "printable_text.h"
#include "app_paths.h"
#include "camera_store.h"
#include "console.h"
#include "discover_command.h"
#include "modes.h"
#include "sibling_link.h"
#include "window_messages.h"

namespace velmora {

namespace {

bool parse_camera_id(const std::string& text, std::int32_t& id) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  id = static_cast<std::int32_t>(v);
  return true;
}

void notify_sibling() {
  LinkFrame f;
  f.msg = WM_RECORDS_CHANGED;
  send_frames(QString::fromStdString(runtime_dir()), QString::fromLatin1(kSiblingEndpoint), {f},
              500);
  // A running Velmora (window or headless) reloads the list as it does for
  // the sibling, so its next save does not undo this change.
  LinkFrame reload;
  reload.msg = WM_RELOAD_CAMERAS;
  send_frames(QString::fromStdString(runtime_dir()), QString::fromLatin1(kOwnEndpoint), {reload},
              500);
}

int list(const AppPaths& paths) {
  CameraTable table;
  load_camera_file(paths.camera_list_file(), table);
  AliasTable aliases;
  load_alias_file(paths.alias_file(), aliases);
  if (table.empty()) {
    std::printf("No cameras configured (%s).\n", paths.camera_list_file().c_str());
    return kExitOk;
  }
  std::printf("%-12s %-7s %-28s %s\n", "ID", "KIND", "ADDRESS", "ALIAS");
  for (const auto& [id, r] : table) {
    std::string where = r.is_local ? address_text(r)
                                   : serial_of(r) + " via " + field_text(r.server_address);
    auto a = aliases.find(id);
    std::printf("%-12d %-7s %-28s %s\n", id, r.is_local ? "local" : "remote", where.c_str(),
                a == aliases.end() ? "" : printable_text(a->second).c_str());
  }
  return kExitOk;
}

}  // namespace

int run_cameras_command(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fprintf(stderr,
                 "velmora cameras: missing command (list, discover, add-local, add-remote, remove)\n");
    return kExitUsage;
  }
  const std::string& cmd = args[0];
  const bool known = cmd == "list" || cmd == "discover" || cmd == "add-local" ||
                     cmd == "add-remote" || cmd == "remove";
  if (!known) {
    std::fprintf(stderr,
                 "velmora cameras: unknown command '%s' (list, discover, add-local, add-remote, remove)\n",
                 cmd.c_str());
    return kExitUsage;
  }
  if (cmd == "discover") return run_discover_command(std::vector<std::string>(args.begin() + 1, args.end()));
  const std::size_t want = cmd == "list"         ? 1
                           : cmd == "add-local"  ? 4
                           : cmd == "add-remote" ? 6
                                                 : 2;
  // A local camera heard on the network may be added by its id alone.
  const bool by_discovery = cmd == "add-local" && args.size() == 3;
  if (args.size() != want && !by_discovery) {
    std::fprintf(stderr, "usage: velmora cameras %s\n",
                 cmd == "list"         ? "list"
                 : cmd == "add-local"  ? "add-local <id> [<ipv4>] <password>"
                 : cmd == "add-remote" ? "add-remote <id> <server ipv4> <user> <password> <serial>"
                                       : "remove <id>");
    return kExitUsage;
  }
  std::int32_t id = 0;
  if (cmd != "list" && !parse_camera_id(args[1], id)) {
    std::fprintf(stderr, "velmora cameras: '%s' is not a camera id (a 32-bit decimal number)\n",
                 args[1].c_str());
    return kExitUsage;
  }
  CameraRecord record{};
  std::string address = cmd == "add-local" && !by_discovery ? args[2] : std::string();
  if (cmd == "add-local") {
    std::string error;
    // Without an address only the password can be checked before listening.
    if (!make_local_record(id, by_discovery ? "0.0.0.0" : address, args.back(), record, error)) {
      std::fprintf(stderr, "velmora cameras: %s\n", error.c_str());
      return kExitUsage;
    }
  } else if (cmd == "add-remote") {
    std::string error;
    if (!make_remote_record(id, args[2], args[3], args[4], args[5], record, error)) {
      std::fprintf(stderr, "velmora cameras: %s\n", error.c_str());
      return kExitUsage;
    }
  }

  // While Velmora runs, the list may still be edited: the running program is
  // told to reload it. Without its endpoint the lock holder is not one we can
  // tell, so the command refuses.
  if (!acquire_instance_lock(/*quiet=*/true) &&
      !endpoint_exists(QString::fromStdString(runtime_dir()), QString::fromLatin1(kOwnEndpoint)) &&
      !acquire_instance_lock()) {
    return kExitAlreadyRunning;
  }
  if (by_discovery) {
    address = discover_address(id, kDefaultDiscoverSeconds);
    std::string error;
    if (address.empty()) return kExitFailed;
    if (!make_local_record(id, address, args.back(), record, error)) {
      std::fprintf(stderr, "velmora cameras: %s\n", error.c_str());
      return kExitFailed;
    }
  }
  const AppPaths paths = AppPaths::from_environment();
  paths.create_folders();
  if (cmd == "list") return list(paths);

  CameraTable table;
  load_camera_file(paths.camera_list_file(), table);
  if (cmd == "add-local" || cmd == "add-remote") {
    const bool existed = table.count(id) != 0;
    table[id] = record;
    if (!save_camera_file(paths.camera_list_file(), table)) {
      std::fprintf(stderr, "velmora cameras: cannot write %s\n", paths.camera_list_file().c_str());
      return kExitFailed;
    }
    notify_sibling();
    if (cmd == "add-local") {
      std::fprintf(Console::out(), "%s camera %d at %s\n", existed ? "Updated" : "Added", id, address.c_str());
    } else {
      std::printf("%s remote camera %d (serial %s via server %s)\n",
                  existed ? "Updated" : "Added", id, args[5].c_str(), args[2].c_str());
    }
    return kExitOk;
  }
  if (!table.erase(id)) {
    std::fprintf(stderr, "velmora cameras: no camera with id %d\n", id);
    return kExitFailed;
  }
  if (!save_camera_file(paths.camera_list_file(), table)) {
    std::fprintf(stderr, "velmora cameras: cannot write %s\n", paths.camera_list_file().c_str());
    return kExitFailed;
  }
  notify_sibling();
  std::printf("Removed camera %d\n", id);
  return kExitOk;
}

}  // namespace velmora
