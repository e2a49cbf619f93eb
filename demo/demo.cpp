// "velmora --demo": several simulated cameras on loopback, some direct and two
// behind a simulated video server (one account, so one shared login),
// synchronised by the real engine into a temporary folder, then every file
// checked byte for byte against what the cameras hold.
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "app_paths.h"
#include "camsim.h"
#include "console.h"
#include "download_layout.h"
#include "modes.h"
#include "nvssim.h"
#include "relayed_camera_endpoint.h"
#include "status_texts.h"
#include "stop_signals.h"
#include "search_manager.h"
#include "sync_controller.h"
#include "sync_display.h"
#include "window_messages.h"
#include "window_mode.h"

namespace velmora {

namespace {

constexpr std::int32_t kFirstCameraId = 1001;
constexpr const char* kDemoPassword = "demo-pass";
constexpr int kDemoTimeoutMs = 180000;
constexpr std::int32_t kFirstRemoteId = 2001;
constexpr int kRemoteCameras = 2;
constexpr const char* kServerUser = "demo-user";
constexpr const char* kServerPassword = "demo-server-pw";
constexpr const char* kServerSerial = "DEMO-MAIN-0001";

NVS_SDK_V160::RECORD_FILE_ENTRY entry_of(const camsim::Recording& rec) {
  NVS_SDK_V160::RECORD_FILE_ENTRY e{};
  std::strncpy(e.file_name, rec.name.c_str(), sizeof e.file_name - 1);
  e.record_key = rec.key;
  e.file_size = rec.size;
  e.record_kind = rec.kind;
  return e;
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes, std::size_t n) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(n));
  return static_cast<bool>(f);
}

bool same_content(const std::string& path, const std::vector<std::uint8_t>& want) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::vector<std::uint8_t> have((std::istreambuf_iterator<char>(f)),
                                 std::istreambuf_iterator<char>());
  return have == want;
}

struct DemoCamera {
  std::int32_t id;
  bool remote = false;
  std::string address;
  std::vector<camsim::Recording> recordings;
  std::unique_ptr<camsim::CameraSimulator> sim;
  std::unique_ptr<camsim::RelayedCameraEndpoint> relayed;  // remote cameras only
};

// The engine's library listens on 51010 unless the environment moves it.
std::uint16_t discovery_port() {
  const char* text = std::getenv("KESTRUNE_DISCOVERY_PORT");
  const int port = text ? std::atoi(text) : 0;
  return port > 0 && port < 65536 ? static_cast<std::uint16_t>(port) : 51010;
}

// One indented line of the final summary: "  label     value".
std::string summary_line(const QString& label, const QString& value) {
  return "  " + field_line(label, value.toStdString(), 10);
}

}  // namespace

int run_demo(const DemoOptions& options) {
  // The demo has a profile of its own and never takes the instance lock, so
  // a running service does not block it.
  Console::capture(options.verbose);
  std::FILE* out = Console::out();

  // A private APPDATA: the user's camera list, settings and recordings are
  // never touched.
  QByteArray tmpl = QDir(QDir::tempPath()).filePath("velmora-demo-XXXXXX").toLocal8Bit();
  if (!::mkdtemp(tmpl.data())) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console", "cannot create a temporary folder in %1")
                                    .arg(QDir::tempPath())));
    return kExitFailed;
  }
  const std::string appdata = tmpl.toStdString();
  // Removed on every way out unless the user keeps it; declared before the
  // simulators and the engine so that they are gone before it is removed.
  struct Folder {
    std::string path;
    bool keep;
    ~Folder() {
      if (!keep) QDir(QString::fromStdString(path)).removeRecursively();
    }
  } folder{appdata, options.keep};
  const AppPaths paths = AppPaths::at(appdata);
  paths.create_folders();
  const std::string root = paths.default_download_root();

  // The simulated cameras: a handful of alarm and manual recordings each.
  std::vector<DemoCamera> cameras;
  for (int i = 0; i < options.cameras; ++i) {
    DemoCamera c;
    c.id = kFirstCameraId + i;
    c.address = "127.0.0." + std::to_string(2 + i);
    c.recordings = camsim::generate_recordings(7, 64 * 1024, 900 * 1024, 0.4,
                                               static_cast<std::uint32_t>(7 + i));
    camsim::Config cfg;
    cfg.address = c.address;
    cfg.port = 9996;
    cfg.password = kDemoPassword;
    cfg.recordings = c.recordings;
    // Each direct camera announces itself to the port discovery listens on.
    cfg.announce.camera_id = static_cast<std::uint64_t>(c.id);
    cfg.announce.target_port = discovery_port();
    c.sim = std::make_unique<camsim::CameraSimulator>(cfg);
    if (c.sim->start() != 0) {
      std::fprintf(stderr, "velmora: %s\n",
                   qUtf8Printable(QCoreApplication::translate(
                                      "Console",
                                      "cannot start a simulated camera on %1:9996 (is the port in "
                                      "use?)")
                                      .arg(QString::fromStdString(c.address))));
      return kExitFailed;
    }
    cameras.push_back(std::move(c));
  }

  // The video server on the next address, at the port the program uses for
  // servers; the cameras behind it listen on ephemeral ports of the same
  // address and are reached only through its relay.
  const std::string server_address = "127.0.0." + std::to_string(2 + options.cameras);
  nvssim::Account account;
  account.user = kServerUser;
  account.password = kServerPassword;
  account.group = kServerSerial;
  account.user_id = 7;
  for (int i = 0; i < kRemoteCameras; ++i) {
    DemoCamera c;
    c.id = kFirstRemoteId + i;
    c.remote = true;
    c.address = server_address;
    c.recordings = camsim::generate_recordings(5, 64 * 1024, 700 * 1024, 0.4,
                                               static_cast<std::uint32_t>(101 + i));
    camsim::Config cfg;
    cfg.address = server_address;
    cfg.port = 0;
    cfg.password = kDemoPassword;
    cfg.recordings = c.recordings;
    c.sim = std::make_unique<camsim::CameraSimulator>(cfg);
    if (c.sim->start() != 0) {
      std::fprintf(stderr, "velmora: %s\n",
                   qUtf8Printable(QCoreApplication::translate(
                                      "Console", "cannot start a simulated camera on %1")
                                      .arg(QString::fromStdString(server_address))));
      return kExitFailed;
    }
    c.relayed = std::make_unique<camsim::RelayedCameraEndpoint>(*c.sim);
    if (!c.relayed->start(server_address)) {
      std::fprintf(stderr, "velmora: %s\n",
                   qUtf8Printable(QCoreApplication::translate("Console", "cannot listen on %1")
                                      .arg(QString::fromStdString(server_address))));
      return kExitFailed;
    }
    nvssim::Camera nc;
    nc.nvt_id = static_cast<std::uint32_t>(c.id);
    nc.name = "demo-remote-" + std::to_string(i + 1);
    nc.endpoint_address = server_address;
    nc.endpoint_port = c.relayed->port();
    account.cameras.push_back(nc);
    cameras.push_back(std::move(c));
  }
  nvssim::Config scfg;
  scfg.address = server_address;
  scfg.port = NVSConnentionRES::kServerPort;
  scfg.accounts.push_back(account);
  nvssim::Server server(scfg);
  if (!server.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console", "cannot start the simulated video server on %1:%2")
                                    .arg(QString::fromStdString(server_address))
                                    .arg(NVSConnentionRES::kServerPort)));
    return kExitFailed;
  }

  // Leftovers of an earlier run, as a real download folder has them: half of
  // one recording (resumed, not fetched again) and one complete file (skipped).
  int resumed = 0, present = 0;
  unsigned long long preloaded_bytes = 0;
  if (!cameras.empty()) {
    const camsim::Recording& rec = cameras[0].recordings[0];
    RecordingPaths p;
    recording_paths(root, cameras[0].id, entry_of(rec), p);
    make_folders(p.folder);
    const auto bytes = camsim::generated_content(rec);
    if (write_file(p.partial, bytes, bytes.size() / 2)) {
      ++resumed;
      preloaded_bytes += bytes.size() / 2;
    }
  }
  if (cameras.size() > 1) {
    const camsim::Recording& rec = cameras[1].recordings[0];
    RecordingPaths p;
    recording_paths(root, cameras[1].id, entry_of(rec), p);
    make_folders(p.folder);
    const auto bytes = camsim::generated_content(rec);
    if (write_file(p.final_path, bytes, bytes.size())) {
      ++present;
      preloaded_bytes += bytes.size();
    }
  }

  ControllerOptions copts;
  copts.paths = paths;
  copts.link_dir = QString::fromStdString(appdata + "/link");
  copts.listen_link = false;
  copts.periodic_timers = false;
  copts.speed_interval_ms = 1000;
  SyncController controller(copts);
  if (!controller.start()) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console",
                                                            "the camera library could not start")));
    return kExitFailed;
  }
  for (const DemoCamera& c : cameras) {
    CameraRecord r;
    std::string error;
    if (c.remote) {
      make_remote_record(c.id, server_address, kServerUser, kServerPassword, kServerSerial, r,
                         error);
    } else {
      make_local_record(c.id, c.address, kDemoPassword, r, error);
    }
    controller.add_or_update(r);
  }

  const std::string last_host =
      cameras[static_cast<std::size_t>(options.cameras) - 1].address.substr(8);
  std::fprintf(out, "%s\n",
               qUtf8Printable(QCoreApplication::translate(
                                  "Console",
                                  "Velmora demo: %1 simulated cameras (127.0.0.2-%2, port 9996) "
                                  "and %3 behind a video server (%4:%5), %6 at a time")
                                  .arg(options.cameras)
                                  .arg(QString::fromStdString(last_host))
                                  .arg(kRemoteCameras)
                                  .arg(QString::fromStdString(server_address))
                                  .arg(NVSConnentionRES::kServerPort)
                                  .arg(controller.scheduler().concurrency())));
  std::fprintf(out, "%s\n\n",
               qUtf8Printable(QCoreApplication::translate("Console", "Download folder: %1")
                                  .arg(QString::fromStdString(root))));

  std::set<std::int32_t> pending;
  std::map<std::int32_t, int> outcome;
  int skipped = 0;
  for (const DemoCamera& c : cameras) pending.insert(c.id);
  QObject::connect(&controller, &SyncController::fileFailed, &controller,
                   [&](int, const QString&, const QString&) { ++skipped; });
  const auto t0 = std::chrono::steady_clock::now();
  int code = kExitOk;
  std::unique_ptr<SyncDisplay> display;
  StopSignals stopper;
  QObject::connect(&stopper, &StopSignals::stopRequested, &controller,
                   [](int) { QCoreApplication::exit(kExitInterrupted); });
  if (options.window) {
    // The window shows the run; the summary follows when it is closed.
    QObject::connect(&controller, &SyncController::statusChanged, &controller,
                     [&](int id, int status) {
                       if (pending.count(id) && status_is_final(status)) outcome[id] = status;
                     });
    ui::WindowModeOptions window_options;
    window_options.start_all = true;
    code = ui::run_main_window(controller, window_options);
  } else {
    display = std::make_unique<SyncDisplay>(controller, out, Console::interactive());
    QObject::connect(&controller, &SyncController::statusChanged, &controller,
                     [&](int id, int status) {
                       if (!pending.count(id) || !status_is_final(status)) return;
                       outcome[id] = status;
                       pending.erase(id);
                       if (pending.empty()) QCoreApplication::exit(kExitOk);
                     });
    QTimer::singleShot(kDemoTimeoutMs, &controller, [&] {
      display->event(
          QCoreApplication::translate("Console", "the demo takes too long; giving up").toStdString());
      QCoreApplication::exit(kExitFailed);
    });
    controller.start_all();
    code = QCoreApplication::exec();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (display) display->finish();
  // What discovery heard while the cameras synchronised.
  const bool discovering = controller.search().running();
  const auto heard_texts = controller.search().list_texts();
  controller.shutdown();
  const nvssim::Counters server_counts = server.counters();
  server.stop();
  for (DemoCamera& c : cameras) {
    if (c.relayed) c.relayed->stop();
    c.sim->stop();
  }

  if (code == kExitInterrupted) {
    // Half-done downloads are expected here, not corruption: compare nothing.
    std::fprintf(out, "\n%s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console", "Demo interrupted; nothing was compared.")));
    if (options.keep) {
      std::fputs(summary_line(QCoreApplication::translate("Console", "folder"),
                              QCoreApplication::translate("Console", "%1 (kept)")
                                  .arg(QString::fromStdString(appdata)))
                     .c_str(),
                 out);
    }
    std::fflush(out);
    return kExitInterrupted;
  }

  // Every recording of every camera must now be on disk, byte for byte.
  int files = 0, bad = 0;
  unsigned long long bytes = 0;
  for (const DemoCamera& c : cameras) {
    auto it = outcome.find(c.id);
    if (it == outcome.end() || it->second != STATUS_COMPLETE) {
      std::fprintf(out, "%s: %s\n",
                   qUtf8Printable(QCoreApplication::translate("Console", "camera %1").arg(c.id)),
                   qUtf8Printable(it == outcome.end()
                                      ? QCoreApplication::translate("Console", "did not finish")
                                      : status_label(it->second)));
      code = kExitFailed;
    }
    for (const camsim::Recording& rec : c.recordings) {
      RecordingPaths p;
      recording_paths(root, c.id, entry_of(rec), p);
      if (same_content(p.final_path, camsim::generated_content(rec))) {
        ++files;
        bytes += rec.size;
      } else {
        ++bad;
        std::fprintf(out, "%s\n",
                     qUtf8Printable(QCoreApplication::translate("Console", "MISMATCH: %1")
                                        .arg(QString::fromStdString(p.final_path))));
      }
    }
  }
  if (bad > 0 || skipped > 0) code = kExitFailed;

  const unsigned long long fetched = bytes > preloaded_bytes ? bytes - preloaded_bytes : 0;
  std::fprintf(out, "\n%s\n",
               qUtf8Printable(code == kExitOk
                                  ? QCoreApplication::translate(
                                        "Console", "Demo complete: every file is byte-exact.")
                                  : QCoreApplication::translate("Console", "Demo FAILED.")));
  std::string summary = summary_line(
      QCoreApplication::translate("Console", "cameras"),
      QCoreApplication::translate("Console", "%1 direct, %2 through the video server")
          .arg(options.cameras)
          .arg(kRemoteCameras));
  if (discovering) {
    QString heard;
    for (const auto& [id, text] : heard_texts) heard += " " + QString::fromStdString(text);
    summary += summary_line(QCoreApplication::translate("Console", "found"),
                            QCoreApplication::translate("Console",
                                                        "%n camera(s) announcing themselves:%1",
                                                        nullptr, int(heard_texts.size()))
                                .arg(heard));
  } else {
    summary += summary_line(
        QCoreApplication::translate("Console", "found"),
        QCoreApplication::translate("Console", "discovery was not listening (UDP port %1 in use)")
            .arg(discovery_port()));
  }
  summary += summary_line(
      QCoreApplication::translate("Console", "server"),
      QCoreApplication::translate("Console",
                                  "%1 login(s), %2 relayed connection(s), %3 logout(s)")
          .arg(server_counts.logins_accepted)
          .arg(server_counts.relay_admissions)
          .arg(server_counts.logout_notices));
  QString verified =
      QCoreApplication::translate("Console",
                                  "%1 verified (%2 resumed from a partial file, %3 already present)")
          .arg(files)
          .arg(resumed)
          .arg(present);
  if (bad)
    verified += QCoreApplication::translate("Console", ", ") +
                QCoreApplication::translate("Console", "%1 wrong or missing").arg(bad);
  summary += summary_line(QCoreApplication::translate("Console", "files"), verified);
  summary += summary_line(QCoreApplication::translate("Console", "bytes"),
                          QCoreApplication::translate("Console", "%1 on disk, %2 downloaded")
                              .arg(QString::fromStdString(human_bytes(bytes)),
                                   QString::fromStdString(human_bytes(fetched))));
  summary += summary_line(
      QCoreApplication::translate("Console", "time"),
      QCoreApplication::translate("Console", "%1 s (%2/s)")
          .arg(seconds, 0, 'f', 1)
          .arg(QString::fromStdString(
              human_bytes(static_cast<unsigned long long>(static_cast<double>(fetched) /
                                                         (seconds > 0 ? seconds : 1))))));
  summary += options.keep
                 ? summary_line(QCoreApplication::translate("Console", "folder"),
                                QCoreApplication::translate("Console", "%1 (kept)")
                                    .arg(QString::fromStdString(root)))
                 : summary_line(QCoreApplication::translate("Console", "folder"),
                                QCoreApplication::translate("Console", "%1 (removed; --keep keeps it)")
                                    .arg(QString::fromStdString(appdata)));
  std::fputs(summary.c_str(), out);
  std::fflush(out);
  return code;
}

}  // namespace velmora
