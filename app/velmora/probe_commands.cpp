// "velmora cameras test <id>" and "velmora cameras recordings <id>": a
// visit to one camera that changes nothing, on the camera or on disk.
#include <QCoreApplication>
#include <QJsonObject>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app_paths.h"
#include "camera_probe.h"
#include "kestrune_sdk.h"
#include "camera_store.h"
#include "cli_input.h"
#include "console.h"
#include "download_layout.h"
#include "modes.h"
#include "nvs_connection_res.h"
#include "printable_text.h"
#include "profile.h"
#include "run_report.h"
#include "terminal.h"

namespace velmora {

namespace {

int complain(const QString& text) {
  std::fprintf(stderr, "velmora cameras: %s\n", qUtf8Printable(text));
  return kExitFailed;
}

// "192.168.1.20" or "serial S via 203.0.113.5".
QString where(const CameraRecord& record) {
  if (record.is_local) return QString::fromStdString(address_text(record));
  return QCoreApplication::translate("Console", "%1 via %2")
      .arg(QString::fromStdString(printable_text(serial_of(record))),
           QString::fromStdString(field_text(record.server_address)));
}

// Logs in to a camera, directly or through its video server's relay, and
// reads its catalogue.
int probe(const CameraRecord& record, std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& entries) {
  Console::capture(false);  // the library's own lines stay off the listing
  if (NVS_SDK_V160::Camera_SDK_Initialize() != 0)
    return complain(QCoreApplication::translate("Console", "the camera library could not start"));
  int code = kExitOk;
  {
    CameraProbe probe;
    std::string error;
    bool wrong_password = false;
    const bool in =
        record.is_local
            ? probe.login(address_text(record), field_text(record.local_password), error,
                          wrong_password)
            : probe.login_remote(record, NVSConnentionRES::kServerPort, error, wrong_password);
    if (!in || !probe.catalogue(entries, error)) {
      code = complain(QCoreApplication::translate("Console", "camera %1 (%2): %3")
                          .arg(record.camera_id)
                          .arg(where(record), QString::fromStdString(error)));
    }
    probe.close();
  }
  NVS_SDK_V160::Camera_SDK_Finalize();
  return code;
}

// Reads the configured camera of the command line and visits it.
int visit(const std::string& command, const std::vector<std::string>& args, bool& json,
          CameraRecord& record, std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& entries) {
  std::int32_t id = 0;
  json = args.size() == 2 && args[1] == "--json" && command == "recordings";
  if (args.empty() || args.size() > (command == "recordings" ? 2u : 1u) ||
      (args.size() == 2 && !json) || !parse_camera_id(args[0], id)) {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console", "usage: %1")
                                    .arg(command == "test" ? "velmora cameras test <id>"
                                                           : "velmora cameras recordings <id> [--json]")));
    return kExitUsage;
  }
  CameraTable table;
  load_camera_file(AppPaths::from_environment().camera_list_file(), table);
  auto it = table.find(id);
  if (it == table.end()) return complain(QCoreApplication::translate("Console", "no camera with id %1").arg(id));
  record = it->second;
  return probe(record, entries);
}

// NAME, KIND, SIZE (right-aligned) and STATE columns; a long name pushes
// its row's other columns along rather than being cut.
void print_row(const std::string& name, const std::string& kind, const std::string& size,
               const std::string& state) {
  auto pad = [](const std::string& text, int columns) {
    return text + std::string(static_cast<std::size_t>(std::max(1, columns - display_width(text))), ' ');
  };
  const int size_width = std::max(0, 12 - display_width(size));
  std::fprintf(Console::out(), "%s%s%s%s  %s\n", pad(name, 34).c_str(), pad(kind, 8).c_str(),
               std::string(static_cast<std::size_t>(size_width), ' ').c_str(), size.c_str(),
               state.c_str());
}

std::int64_t size_of(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

}  // namespace

namespace {

void report_login(const CameraRecord& record, std::size_t recordings) {
  std::fprintf(Console::out(), "%s\n",
               qUtf8Printable(QCoreApplication::translate("Console",
                                                          "camera %1 (%2): logged in; %n "
                                                          "recording(s) on the card; logged out",
                                                          nullptr, int(recordings))
                                  .arg(record.camera_id)
                                  .arg(where(record))));
  std::fflush(Console::out());
}

}  // namespace

int run_camera_test(const std::vector<std::string>& args) {
  bool json = false;
  CameraRecord record{};
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> entries;
  const int code = visit("test", args, json, record, entries);
  if (code != kExitOk) return code;
  report_login(record, entries.size());
  return kExitOk;
}

int check_camera(const CameraRecord& record) {
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> entries;
  const int code = probe(record, entries);
  if (code == kExitOk) report_login(record, entries.size());
  return code;
}

int run_camera_recordings(const std::vector<std::string>& args) {
  bool json = false;
  CameraRecord record{};
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> entries;
  const int code = visit("recordings", args, json, record, entries);
  if (code != kExitOk) return code;
  const std::string root = FileProfile(AppPaths::from_environment()).download_root();
  std::uint64_t to_fetch = 0;
  int missing = 0;
  if (!json && !entries.empty())
    print_row(QCoreApplication::translate("Console", "NAME").toStdString(),
              QCoreApplication::translate("Console", "KIND").toStdString(),
              QCoreApplication::translate("Console", "SIZE").toStdString(),
              QCoreApplication::translate("Console", "STATE").toStdString());
  for (const auto& e : entries) {
    const std::string name = entry_name(e);
    RecordingPaths where;
    QString state;
    std::int64_t present = 0;
    if (!recording_paths(root, record.camera_id, e, where)) {
      state = "unsafe-name";
    } else if (size_of(where.final_path) >= 0) {
      state = "on-disk";
    } else if ((present = size_of(where.partial)) >= 0) {
      state = "partial";
    } else {
      state = "missing";
      present = 0;
    }
    if (state == "partial" || state == "missing") {
      ++missing;
      to_fetch += e.file_size > present ? e.file_size - static_cast<std::uint64_t>(present) : 0;
    }
    const QString kind = is_alarm(e) ? "alarm" : "manual";
    if (json) {
      QJsonObject o;
      o["type"] = "recording";
      o["name"] = QString::fromStdString(printable_text(name));
      o["kind"] = kind;
      o["size"] = static_cast<double>(e.file_size);
      o["state"] = state;
      o["bytes_present"] = static_cast<double>(state == "on-disk" ? e.file_size : present);
      put_json_line(Console::out(), o);
    } else {
      std::string shown = state.toStdString();
      if (state == "partial") shown += " (" + std::to_string(present) + ")";
      print_row(printable_text(name), kind.toStdString(), std::to_string(e.file_size), shown);
    }
  }
  if (json) {
    QJsonObject o;
    o["type"] = "summary";
    o["recordings"] = static_cast<int>(entries.size());
    o["to_download"] = missing;
    o["bytes_to_download"] = static_cast<double>(to_fetch);
    o["folder"] = QString::fromStdString(printable_text(camera_folder(root, record.camera_id)));
    put_json_line(Console::out(), o);
  } else {
    std::fprintf(Console::out(), "%s\n", qUtf8Printable(QCoreApplication::translate("Console", "%1 recording(s) on the card; %2 to download (%3) into %4")
                                           .arg(static_cast<int>(entries.size()))
                                           .arg(missing)
                                           .arg(QString::fromStdString(human_bytes(to_fetch)))
                                           .arg(QString::fromStdString(
                                               printable_text(camera_folder(root, record.camera_id))))));
  }
  return kExitOk;
}

}  // namespace velmora
