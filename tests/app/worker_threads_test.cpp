// A camera worker and the server worker driven at once from the library's
// reactor thread (their callbacks) and a "window" thread (their commands and
// queries), as the program drives them, without Qt's event loop. Under
// ThreadSanitizer this checks their locking.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "app_paths.h"
#include "cam_connection_res.h"
#include "camsim.h"
#include "disk_space.h"
#include "download_layout.h"
#include "kestrune_sdk.h"
#include "nvs_connection_res.h"
#include "nvssim.h"
#include "relayed_camera_endpoint.h"
#include "wait_until.h"
#include "window_messages.h"

namespace velmora {
namespace {

// The window's mailbox, reduced to locked lists: the window thread takes the
// deferred calls and runs them; timers are only recorded.
class LockedSink : public MessageSink {
public:
  void post(EngineEvent e) override {
    std::lock_guard<std::mutex> g(m_);
    if (auto* s = std::get_if<SyncStatusEvent>(&e)) statuses_[s->camera_id].push_back(s->status);
    ++posted_;
  }
  void arm_camera_timer(std::int32_t id, int ms) override {
    std::lock_guard<std::mutex> g(m_);
    armed_[id] = ms;
  }
  void cancel_camera_timer(std::int32_t id) override {
    std::lock_guard<std::mutex> g(m_);
    armed_.erase(id);
  }
  void run_later(int, std::function<void()> fn) override {
    std::lock_guard<std::mutex> g(m_);
    later_.push_back(std::move(fn));
  }

  // Window thread: runs what was deferred to it.
  void run_deferred() {
    std::deque<std::function<void()>> due;
    {
      std::lock_guard<std::mutex> g(m_);
      due.swap(later_);
    }
    for (auto& fn : due) fn();
  }
  bool saw(std::int32_t id, std::int32_t status) const {
    std::lock_guard<std::mutex> g(m_);
    auto it = statuses_.find(id);
    if (it == statuses_.end()) return false;
    for (auto s : it->second)
      if (s == status) return true;
    return false;
  }
  std::vector<std::intptr_t> statuses(std::int32_t id) const {
    std::lock_guard<std::mutex> g(m_);
    auto it = statuses_.find(id);
    return it == statuses_.end() ? std::vector<std::intptr_t>{} : it->second;
  }

private:
  mutable std::mutex m_;
  std::map<std::int32_t, std::vector<std::intptr_t>> statuses_;
  std::map<std::int32_t, int> armed_;
  std::deque<std::function<void()>> later_;
  int posted_ = 0;
};

TEST(WorkerThreads, CameraAndServerWorkersSyncWhileTheWindowThreadCommandsThem) {
  const std::string local_address = "127.0.2.230";
  const std::string server_address = "127.0.2.231";
  constexpr std::int32_t kLocalId = 301, kRemoteId = 302;

  camsim::Config lc;
  lc.address = local_address;
  lc.port = 0;
  lc.password = "pw";
  lc.recordings = camsim::generate_recordings(3, 20000, 90000, 0.5, 11);
  camsim::CameraSimulator local(lc);
  ASSERT_EQ(local.start(), 0);

  camsim::Config rc;
  rc.address = server_address;
  rc.port = 0;
  rc.recordings = camsim::generate_recordings(3, 20000, 90000, 0.5, 12);
  camsim::CameraSimulator remote(rc);
  ASSERT_EQ(remote.start(), 0);
  camsim::RelayedCameraEndpoint endpoint(remote);
  ASSERT_TRUE(endpoint.start(server_address));

  nvssim::Account account;
  account.user = "u";
  account.password = "p";
  account.group = "SERIAL-T";
  account.user_id = 5;
  nvssim::Camera nc;
  nc.nvt_id = kRemoteId;
  nc.endpoint_address = server_address;
  nc.endpoint_port = endpoint.port();
  account.cameras.push_back(nc);
  nvssim::Config sc;
  sc.address = server_address;
  sc.accounts.push_back(account);
  nvssim::Server server(sc);
  ASSERT_TRUE(server.start());

  std::atomic<int> probes{0};
  const FreeSpaceProbe probe = [&](const std::string&) -> std::int64_t {
    ++probes;
    return std::int64_t{1} << 40;
  };
  ASSERT_EQ(NVS_SDK_V160::Camera_SDK_Initialize(), 0);
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  LockedSink sink;
  {
    CamConnentionRES local_worker(sink), remote_worker(sink);
    NVSConnentionRES server_worker(sink);

    // The window thread: starts both runs as the scheduler does, then keeps
    // querying the workers and running their deferred calls until both end.
    std::atomic<bool> done{false};
    std::thread window([&] {
      CameraRecord lr, rr;
      std::string error;
      make_local_record(kLocalId, local_address, "pw", lr, error);
      make_remote_record(kRemoteId, server_address, "u", "p", "SERIAL-T", rr, error);
      // The local camera also checks free space before each chunk and frees
      // its card at the end (deletes answered on the reactor thread, their
      // guard on this one).
      RunOptions options;
      options.min_free_bytes = 1 << 20;
      options.delete_after_copy = true;
      options.camera_port = local.port();
      options.free_space = probe;
      local_worker.bind(lr, root, options);
      local_worker.connect_local();
      remote_worker.bind(rr, root);
      server_worker.bind(rr);
      server_worker.attach(kRemoteId, &remote_worker);
      server_worker.add_pending(kRemoteId);
      server_worker.open(kRemoteId, server.port(), {});
      while (!done.load()) {
        sink.run_deferred();
        (void)local_worker.is_free();
        (void)remote_worker.camera_id();
        (void)server_worker.list_received();
        (void)server_worker.logged_in();
        if (server_worker.list_received()) server_worker.request_ticket(kRemoteId + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      server_worker.detach(kRemoteId);
      server_worker.logout();
      local_worker.stop();
      remote_worker.stop();
    });
    const bool finished = ks_test::wait_until(
        [&] {
          return sink.saw(kLocalId, STATUS_COMPLETE) && sink.saw(kRemoteId, STATUS_COMPLETE);
        },
        60000);
    done.store(true);
    window.join();
    EXPECT_TRUE(finished) << "local statuses " << sink.statuses(kLocalId).size()
                          << ", remote statuses " << sink.statuses(kRemoteId).size();
  }
  NVS_SDK_V160::Camera_SDK_Finalize();
  EXPECT_GE(probes.load(), 3);
  EXPECT_TRUE(local.recordings().empty());
  EXPECT_EQ(remote.recordings().size(), 3u);
  server.stop();
  endpoint.stop();
  remote.stop();
  local.stop();

  // Both cameras' recordings are on disk, whole.
  for (const auto* cam : {&lc, &rc}) {
    const std::int32_t id = cam == &lc ? kLocalId : kRemoteId;
    for (const camsim::Recording& rec : cam->recordings) {
      NVS_SDK_V160::RECORD_FILE_ENTRY e{};
      std::strncpy(e.file_name, rec.name.c_str(), sizeof e.file_name - 1);
      e.record_key = rec.key;
      e.file_size = rec.size;
      e.record_kind = rec.kind;
      RecordingPaths p;
      recording_paths(root, id, e, p);
      ASSERT_TRUE(file_exists(p.final_path)) << p.final_path;
      EXPECT_EQ(std::filesystem::file_size(p.final_path), rec.size) << p.final_path;
    }
  }
}

}  // namespace
}  // namespace velmora
