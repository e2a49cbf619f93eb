// Camera sessions through Camera_Module against the camera simulator in this
// process. Figures only; nothing passes or fails.
//
//   camera_bench download [MB]          one recording, next chunk asked for as
//                                       soon as a chunk ends; MB/s next to a
//                                       plain socket pair in the same run
//   camera_bench idle N [seconds]       N logged-in idle sessions (heartbeat
//                                       every 10 s): CPU of the reactor thread
//                                       and heartbeat lateness
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "camera_module.h"
#include "camsim.h"
#include "kestrune_sdk.h"
#include "net/log.h"

using NVS_SDK_V160::Camera_Module;
using bench::Clock;
using bench::wait_for;

namespace {

constexpr std::uint32_t kChunk = 131072;
const char kAddress[] = "127.0.9.1";  // clear of the tests' 127.0.1.x simulators

void quiet(const std::string&) {}

std::atomic<clockid_t> g_reactor_clock{0};
std::atomic<bool> g_have_clock{false};

double thread_cpu(clockid_t id) {
  timespec ts{};
  ::clock_gettime(id, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Remembers the reactor thread's CPU clock from the first callback.
void note_reactor_thread() {
  if (g_have_clock.load()) return;
  clockid_t id;
  if (::pthread_getcpuclockid(::pthread_self(), &id) == 0) {
    g_reactor_clock.store(id);
    g_have_clock.store(true);
  }
}

class Session : public NVS_SDK_V160::INVDMessageHandler {
public:
  std::atomic<int> connect_result{-1000};
  std::atomic<bool> listed{false};
  std::mutex mu;
  std::vector<Clock::time_point> beats;

  void OnConnectResult(int result) override {
    note_reactor_thread();
    connect_result.store(result);
  }
  void OnHeartBeat() override {
    std::lock_guard<std::mutex> g(mu);
    beats.push_back(Clock::now());
  }
  void OnRecordListInfomation(const char*) override { listed.store(true); }
};

// Asks for the next chunk from the callback itself, as soon as one ends.
class Downloader : public Session {
public:
  Camera_Module* module = nullptr;
  char name[32] = {};
  std::uint32_t size = 0;
  std::uint32_t next_offset = 0;
  int next_id = 1;
  std::atomic<std::uint64_t> bytes{0};
  std::atomic<bool> done{false};

  void request_next() {
    const std::uint32_t want = std::min(kChunk, size - next_offset);
    module->RequestDownLoadRecord(next_id++, name, next_offset, want);
    next_offset += want;
  }
  void OnDownloadData(const char* body) override {
    std::uint32_t head[4];
    std::uint16_t flag;
    std::memcpy(head, body, sizeof head);
    std::memcpy(&flag, body + 16, 2);
    bytes.fetch_add(head[3]);
    if (flag == 0) return;
    if (next_offset >= size) done.store(true);
    else request_next();
  }
};

std::unique_ptr<camsim::CameraSimulator> start_sim(std::vector<camsim::Recording> recordings) {
  camsim::Config cfg;
  cfg.address = kAddress;
  cfg.port = 9996;
  cfg.verbose = false;
  cfg.recordings = std::move(recordings);
  auto sim = std::make_unique<camsim::CameraSimulator>(cfg);
  if (sim->start() != 0) return nullptr;
  return sim;
}

bool connect(Camera_Module& module, Session& session) {
  module.RegisterMsgHandler(&session);
  unsigned char pw[16] = {};
  if (module.ConnectLocalCamera(kAddress, pw) != 0) return false;
  return true;
}

int download(int megabytes) {
  camsim::Recording rec;
  rec.name = "BENCH.avi";
  rec.key = 7;
  rec.size = static_cast<std::uint32_t>(megabytes) << 20;
  auto sim = start_sim({rec});
  if (!sim) return 1;
  Camera_Module module;
  Downloader d;
  d.module = &module;
  rec.name.copy(d.name, 31);
  d.size = rec.size;
  if (!connect(module, d) || !wait_for([&] { return d.connect_result.load() != -1000; }, 10) ||
      d.connect_result.load() != 0) {
    std::printf("camera did not log in\n");
    return 1;
  }
  module.RequestCameraRecordList(0, 1);
  if (!wait_for([&] { return d.listed.load(); }, 10)) return 1;

  const double cpu0 = thread_cpu(g_reactor_clock.load());
  const auto start = Clock::now();
  d.request_next();
  if (!wait_for([&] { return d.done.load(); }, 600)) {
    std::printf("download did not finish\n");
    return 1;
  }
  const double secs = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = thread_cpu(g_reactor_clock.load()) - cpu0;
  const double rate = (static_cast<double>(d.bytes.load()) / 1048576.0) / secs;
  module.DisconnectCamera();
  sim->stop();
  const double plain = (rec.size / 1048576.0) / bench::plain_pair_seconds(rec.size);
  std::printf("camera download, %d MB in %u-byte chunks, no pacing: %.2f s = %.1f MB/s "
              "(reactor thread CPU %.2f s)\n",
              megabytes, kChunk, secs, rate, cpu);
  std::printf("plain blocking socket pair, same size: %.1f MB/s; ratio %.1f%%\n", plain,
              100.0 * rate / plain);
  return 0;
}

int idle(int sessions, int seconds) {
  auto sim = start_sim({});
  if (!sim) return 1;
  std::vector<std::unique_ptr<Camera_Module>> modules;
  std::vector<std::unique_ptr<Session>> handlers;
  for (int i = 0; i < sessions; ++i) {
    modules.push_back(std::make_unique<Camera_Module>());
    handlers.push_back(std::make_unique<Session>());
    connect(*modules.back(), *handlers.back());
  }
  const bool all = wait_for([&] {
    for (auto& h : handlers) if (h->connect_result.load() != 0) return false;
    return true;
  }, 120);
  int logged_in = 0;
  for (auto& h : handlers) logged_in += h->connect_result.load() == 0;
  if (!all) {
    std::map<int, int> results;
    for (auto& h : handlers) ++results[h->connect_result.load()];
    std::printf("only %d of %d sessions logged in; connect results:", logged_in, sessions);
    for (const auto& [result, n] : results) std::printf(" %d x%d", result, n);
    std::printf("\n");
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));  // past the first heartbeats
  for (auto& h : handlers) {
    std::lock_guard<std::mutex> g(h->mu);
    h->beats.clear();
  }
  const double cpu0 = g_have_clock.load() ? thread_cpu(g_reactor_clock.load()) : 0;
  rusage r0{};
  ::getrusage(RUSAGE_SELF, &r0);
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = g_have_clock.load() ? thread_cpu(g_reactor_clock.load()) - cpu0 : 0;

  // Lateness of each heartbeat answer against the 10 s period.
  std::vector<double> late;
  for (auto& h : handlers) {
    std::lock_guard<std::mutex> g(h->mu);
    for (std::size_t i = 1; i < h->beats.size(); ++i) {
      const double gap = std::chrono::duration<double, std::milli>(h->beats[i] - h->beats[i - 1]).count();
      late.push_back(gap - 10000.0);
    }
  }
  std::sort(late.begin(), late.end());
  std::printf("idle, %4d camera sessions (%d logged in): reactor thread CPU %.3f s in %.1f s "
              "(%.3f%% of one core)\n",
              sessions, logged_in, cpu, wall, 100.0 * cpu / wall);
  if (!late.empty()) {
    std::printf("  heartbeat period lateness over %zu periods: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                late.size(), late[late.size() / 2], late[late.size() * 99 / 100], late.back());
  }
  for (auto& m : modules) m->DisconnectCamera();
  modules.clear();
  sim->stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;  // both ends of every session live here
  ::setrlimit(RLIMIT_NOFILE, &files);
  kestrune::set_log_sink(&quiet);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (NVS_SDK_V160::Camera_SDK_Initialize() != 0) return 1;
  int rc = 2;
  const std::string mode = argc > 1 ? argv[1] : "download";
  if (mode == "download") rc = download(argc > 2 ? std::atoi(argv[2]) : 256);
  if (mode == "idle") rc = idle(argc > 2 ? std::atoi(argv[2]) : 100, argc > 3 ? std::atoi(argv[3]) : 30);
  NVS_SDK_V160::Camera_SDK_Finalize();
  return rc;
}
