#include "discover_command.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QThread>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app_paths.h"
#include "camera_store.h"
#include "console.h"
#include "modes.h"
#include "run_report.h"
#include "runtime_dir.h"
#include "search_manager.h"
#include "sibling_link.h"
#include "terminal.h"

namespace velmora {

namespace {

// The command's own table of what it hears.
SearchManager& command_search() {
  static SearchManager search;
  return search;
}

// Starts discovery for this process; false (with the reason printed) when it
// cannot listen.
bool start_discovery() {
  Console::capture(false);  // the library's own lines stay off the listing
  SearchManager& search = command_search();
  // Asked once: the command is over long before the answer could change.
  const bool sibling = endpoint_exists(QString::fromStdString(runtime_dir()), QString::fromLatin1(kSiblingEndpoint));
  SearchManager::Host host;
  host.sibling_present = [sibling] { return sibling; };
  search.attach(host);
  if (sibling) {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console",
                     "the sibling camera manager is running and listens for cameras itself; use "
                     "its list")));
    return false;
  }
  if (!search.start()) {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console",
                     "cannot listen for camera announcements (UDP port 51010 is in use, perhaps "
                     "by a running Velmora)")));
    return false;
  }
  return true;
}

// Waits until `done` holds or `seconds` have passed; true when it held.
bool listen_for(int seconds, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    QThread::msleep(50);
  }
  return done();
}

void stop_discovery() {
  command_search().stop();
  command_search().detach();
}

bool parse_seconds(const std::string& text, int& seconds) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 1 || v > 3600) return false;
  seconds = static_cast<int>(v);
  return true;
}

}  // namespace

int run_discover_command(const std::vector<std::string>& args) {
  int seconds = kDefaultDiscoverSeconds;
  bool json = false;
  bool ok = true;
  for (std::size_t i = 0; i < args.size() && ok; ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--seconds" && i + 1 < args.size()) {
      ok = parse_seconds(args[++i], seconds);
    } else {
      ok = false;
    }
  }
  if (!ok) {
    std::fprintf(stderr, "%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "usage: velmora cameras discover [--seconds N] [--json]   (N "
                                    "from 1 to 3600, default %1)")
                                    .arg(kDefaultDiscoverSeconds)));
    return kExitUsage;
  }
  if (!start_discovery()) return kExitFailed;
  std::FILE* out = Console::out();
  // With --json standard output carries only the JSON lines.
  std::FILE* talk = json ? stderr : out;
  std::fprintf(talk, "%s\n",
               qUtf8Printable(QCoreApplication::translate(
                                  "Console", "Listening for cameras on the local network for %1 s...")
                                  .arg(seconds)));
  std::fflush(talk);
  listen_for(seconds, [] { return false; });
  const auto table = command_search().table();
  stop_discovery();

  CameraTable configured;
  load_camera_file(AppPaths::from_environment().camera_list_file(), configured);
  if (json) {
    for (const auto& [id, record] : table) {
      QJsonObject o;
      o["type"] = "camera";
      o["id"] = static_cast<qint64>(id);
      o["address"] = QString::fromStdString(record.address_text());
      o["configured"] = configured.count(id) != 0;
      put_json_line(out, o);
    }
    return kExitOk;
  }
  if (table.empty()) {
    std::fprintf(out, "%s\n",
                 qUtf8Printable(QCoreApplication::translate("Console", "No camera heard.")));
    return kExitOk;
  }
  // Columns by display width, so that translated headings line up too.
  auto cell = [](const std::string& text, int width) {
    return text + std::string(static_cast<std::size_t>(std::max(1, width - display_width(text))), ' ');
  };
  constexpr int kIdWidth = 13, kAddressWidth = 17;
  std::fprintf(out, "%s%s%s\n",
               cell(QCoreApplication::translate("Console", "ID").toStdString(), kIdWidth).c_str(),
               cell(QCoreApplication::translate("Console", "ADDRESS").toStdString(), kAddressWidth).c_str(),
               QCoreApplication::translate("Console", "CONFIGURED").toStdString().c_str());
  const std::string listed = QCoreApplication::translate("Console", "yes").toStdString();
  for (const auto& [id, record] : table) {
    const std::string line = cell(std::to_string(id), kIdWidth) +
                             cell(record.address_text(), kAddressWidth) +
                             (configured.count(id) ? listed : std::string());
    std::fprintf(out, "%s\n", line.substr(0, line.find_last_not_of(' ') + 1).c_str());
  }
  std::fprintf(out, "%s\n",
               qUtf8Printable(QCoreApplication::translate("Console", "%n camera(s) heard.", nullptr,
                                                          int(table.size()))));
  return kExitOk;
}

std::string discover_address(std::int32_t id, int seconds) {
  if (!start_discovery()) return {};
  const bool heard = listen_for(seconds, [id] { return command_search().contains(id); });
  std::string address;
  if (heard) {
    const auto table = command_search().table();
    const auto it = table.find(id);
    if (it != table.end()) address = it->second.address_text();
  }
  stop_discovery();
  if (address.empty())
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "camera %1 was not heard on the local network within %2 s; "
                                    "give its address")
                                    .arg(id)
                                    .arg(seconds)));
  return address;
}

}  // namespace velmora
