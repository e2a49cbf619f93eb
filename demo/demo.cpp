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
    std::fprintf(stderr, "velmora: cannot create a temporary folder in %s\n",
                 QDir::tempPath().toLocal8Bit().constData());
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
      std::fprintf(stderr,
                   "velmora: cannot start a simulated camera on %s:9996 (is the port in use?)\n",
                   c.address.c_str());
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
      std::fprintf(stderr, "velmora: cannot start a simulated camera on %s\n",
                   server_address.c_str());
      return kExitFailed;
    }
    c.relayed = std::make_unique<camsim::RelayedCameraEndpoint>(*c.sim);
    if (!c.relayed->start(server_address)) {
      std::fprintf(stderr, "velmora: cannot listen on %s\n", server_address.c_str());
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
    std::fprintf(stderr, "velmora: cannot start the simulated video server on %s:%u\n",
                 server_address.c_str(), NVSConnentionRES::kServerPort);
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
    std::fprintf(stderr, "velmora: the camera library could not start\n");
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

  std::fprintf(out,
               "Velmora demo: %d simulated cameras (127.0.0.2-%s, port 9996) and %d behind a "
               "video server (%s:%u), %d at a time\n",
               options.cameras, cameras[static_cast<std::size_t>(options.cameras) - 1]
                                    .address.substr(8).c_str(),
               kRemoteCameras, server_address.c_str(), NVSConnentionRES::kServerPort,
               controller.scheduler().concurrency());
  std::fprintf(out, "Download folder: %s\n\n", root.c_str());

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
    code = ui::run_main_window(controller, {/*start_all=*/true});
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
      display->event("the demo takes too long; giving up");
      QCoreApplication::exit(kExitFailed);
    });
    controller.start_all();
    code = QCoreApplication::exec();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (display) display->finish();
  // What discovery heard while the cameras synchronised.
  const bool discovering = SearchManager::instance().running();
  const auto heard_texts = SearchManager::instance().list_texts();
  controller.shutdown();
  const nvssim::Counters server_counts = server.counters();
  server.stop();
  for (DemoCamera& c : cameras) {
    if (c.relayed) c.relayed->stop();
    c.sim->stop();
  }

  if (code == kExitInterrupted) {
    // Half-done downloads are expected here, not corruption: compare nothing.
    std::fprintf(out, "\nDemo interrupted; nothing was compared.\n");
    if (options.keep) std::fprintf(out, "  folder    %s (kept)\n", appdata.c_str());
    std::fflush(out);
    return kExitInterrupted;
  }

  // Every recording of every camera must now be on disk, byte for byte.
  int files = 0, bad = 0;
  unsigned long long bytes = 0;
  for (const DemoCamera& c : cameras) {
    auto it = outcome.find(c.id);
    if (it == outcome.end() || it->second != STATUS_COMPLETE) {
      std::fprintf(out, "camera %d: %s\n", c.id,
                   it == outcome.end() ? "did not finish"
                                       : qUtf8Printable(status_label(it->second)));
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
        std::fprintf(out, "MISMATCH: %s\n", p.final_path.c_str());
      }
    }
  }
  if (bad > 0 || skipped > 0) code = kExitFailed;

  const unsigned long long fetched = bytes > preloaded_bytes ? bytes - preloaded_bytes : 0;
  std::fprintf(out, "\n%s\n", code == kExitOk ? "Demo complete: every file is byte-exact."
                                              : "Demo FAILED.");
  std::fprintf(out, "  cameras   %d direct, %d through the video server\n", options.cameras,
               kRemoteCameras);
  if (discovering) {
    std::string heard;
    for (const auto& [id, text] : heard_texts) heard += " " + text;
    std::fprintf(out, "  found     %zu camera(s) announcing themselves:%s\n", heard_texts.size(),
                 heard.c_str());
  } else {
    std::fprintf(out, "  found     discovery was not listening (UDP port %u in use)\n",
                 static_cast<unsigned>(discovery_port()));
  }
  std::fprintf(out, "  server    %d login(s), %d relayed connection(s), %d logout(s)\n",
               server_counts.logins_accepted, server_counts.relay_admissions,
               server_counts.logout_notices);
  std::fprintf(out, "  files     %d verified (%d resumed from a partial file, %d already present)%s\n",
               files, resumed, present,
               bad ? (", " + std::to_string(bad) + " wrong or missing").c_str() : "");
  std::fprintf(out, "  bytes     %s on disk, %s downloaded\n", human_bytes(bytes).c_str(),
               human_bytes(fetched).c_str());
  std::fprintf(out, "  time      %.1f s (%s/s)\n", seconds,
               human_bytes(static_cast<unsigned long long>(fetched / (seconds > 0 ? seconds : 1)))
                   .c_str());
  if (options.keep) {
    std::fprintf(out, "  folder    %s (kept)\n", root.c_str());
  } else {
    std::fprintf(out, "  folder    %s (removed; --keep keeps it)\n", appdata.c_str());
  }
  std::fflush(out);
  return code;
}

}  // namespace velmora
