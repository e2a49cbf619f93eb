// The table of discovered cameras: the library's notifications, the
// sibling's data copies while it runs, pause and resume, and the real
// discovery hearing announcing simulated cameras.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app_test_support.h"
#include "camsim.h"
#include "search_manager.h"
#include "link_messages.h"
#include "window_messages.h"

namespace velmora {
namespace {

using NVS_SDK_V160::DetectedCamera;
using test::wait_until;

// The library reads its discovery port once, when discovery is first used:
// a port of our own keeps parallel runs apart.
const std::uint16_t g_port = [] {
  const std::uint16_t port = test::free_udp_port();
  ::setenv("KESTRUNE_DISCOVERY_PORT", std::to_string(port).c_str(), 1);
  return port;
}();

DetectedCamera camera(std::uint64_t id, std::uint32_t address) {
  DetectedCamera r;
  std::memset(&r, 0, sizeof r);
  r.ip_address = address;
  r.camera_id = id;
  r.valid = 1;
  r.seen = 1;
  return r;
}

QByteArray record_bytes(const DetectedCamera& r) {
  return QByteArray(reinterpret_cast<const char*>(&r), DiscoveryRecord::kSize);
}

class Search : public ::testing::Test {
protected:
  void SetUp() override {
    test::qt_app();
    SearchManager::Host host;
    host.changed = [this] { ++changes; };
    host.sibling_present = [this] { return sibling.load(); };
    host.set_timer = [this](int id, int ms) { timers.push_back({id, ms}); };
    host.kill_timer = [this](int id) { killed.push_back(id); };
    manager = std::make_unique<SearchManager>();
    manager->attach(host);
  }
  void TearDown() override {
    manager->detach();
    manager->stop();
    manager.reset();
  }

  std::unique_ptr<SearchManager> manager;
  std::atomic<bool> sibling{false};
  std::atomic<int> changes{0};
  std::vector<std::pair<int, int>> timers;
  std::vector<int> killed;
};

TEST_F(Search, NotificationsKeepOneRowPerCameraWithItsNewestAddress) {
  const DetectedCamera a = camera(0x1234500000001001ull, 0xC0A8010A);  // 192.168.1.10
  manager->OnCameraFound(&a, 48);
  const DetectedCamera moved = camera(0x1234500000001001ull, 0x0A000002);
  manager->OnCameraFound(&moved, 48);
  const DetectedCamera b = camera(7, 0x7F000001);
  manager->OnCameraFound(&b, 48);
  // The program's camera id is the identifier's first four bytes.
  EXPECT_EQ(manager->list_texts(), (std::map<std::int32_t, std::string>{
                                       {7, "7(127.0.0.1)"}, {4097, "4097(10.0.0.2)"}}));
  EXPECT_EQ(changes, 3);
  manager->OnCameraLost(&b, 48);
  EXPECT_FALSE(manager->contains(7));
  EXPECT_EQ(changes, 4);
  manager->OnCameraFound(&b, 40);  // too small to hold a record
  EXPECT_FALSE(manager->contains(7));
}

TEST_F(Search, WhileTheSiblingRunsItsCopiesRuleAndOurLossesAreIgnored) {
  sibling = true;
  EXPECT_FALSE(manager->start());
  EXPECT_FALSE(manager->running());

  const DetectedCamera a = camera(21, 0x7F000015), b = camera(22, 0x7F000016), c = camera(23, 0x7F000017);
  manager->OnCameraFound(&a, 48);  // our own discovery may still report
  manager->OnCameraLost(&a, 48);
  EXPECT_TRUE(manager->contains(21));

  QByteArray list;
  const std::int32_t two = 2;
  list.append(reinterpret_cast<const char*>(&two), 4);
  list.append(record_bytes(b)).append(record_bytes(c));
  EXPECT_TRUE(manager->on_copy_data(COPYDATA_CAMERA_LIST, list));
  EXPECT_TRUE(manager->on_copy_data(COPYDATA_CAMERA_LOST, record_bytes(a)));
  EXPECT_TRUE(manager->on_copy_data(COPYDATA_CAMERA_FOUND, record_bytes(camera(24, 0x7F000018))));
  EXPECT_EQ(manager->list_texts(), (std::map<std::int32_t, std::string>{
                                       {22, "22(127.0.0.22)"}, {23, "23(127.0.0.23)"}, {24, "24(127.0.0.24)"}}));
  const int before = changes;

  // Copies that do not hold what they claim change nothing.
  EXPECT_FALSE(manager->on_copy_data(COPYDATA_CAMERA_FOUND, record_bytes(a).left(43)));
  QByteArray lying = list;
  const std::int32_t three = 3, negative = -1;
  std::memcpy(lying.data(), &three, 4);
  EXPECT_FALSE(manager->on_copy_data(COPYDATA_CAMERA_LIST, lying));
  std::memcpy(lying.data(), &negative, 4);
  EXPECT_FALSE(manager->on_copy_data(COPYDATA_CAMERA_LIST, lying));
  EXPECT_FALSE(manager->on_copy_data(12, record_bytes(a)));
  EXPECT_EQ(manager->table().size(), 3u);
  EXPECT_EQ(changes, before);

  sibling = false;  // the sibling has gone: our losses count again
  manager->OnCameraLost(&b, 48);
  EXPECT_FALSE(manager->contains(22));
}

TEST_F(Search, TableIsSafeBetweenTheDiscoveryThreadAndTheMainThread) {
  std::atomic<bool> done{false};
  std::thread discovery([&] {
    for (std::uint64_t i = 0; i < 2000; ++i) {
      const DetectedCamera r = camera(i % 50, 0x7F000001 + static_cast<std::uint32_t>(i));
      if (i % 3 == 0) manager->OnCameraLost(&r, 48);
      else manager->OnCameraFound(&r, 48);
    }
    done = true;
  });
  do {
    for (const auto& [id, text] : manager->list_texts()) EXPECT_EQ(text.rfind(std::to_string(id) + "(", 0), 0u);
    manager->on_copy_data(COPYDATA_CAMERA_FOUND, record_bytes(camera(99, 0x7F000063)));
  } while (!done);
  discovery.join();
  EXPECT_TRUE(manager->contains(99));
}

// Simulated cameras announcing to the port the library listens on.
std::unique_ptr<camsim::CameraSimulator> announcing(const char* address, std::uint64_t id, bool long_form) {
  camsim::Config c;
  c.address = address;
  c.port = 0;
  c.verbose = false;
  c.announce.camera_id = id;
  c.announce.long_form = long_form;
  c.announce.period_ms = 200;
  c.announce.target_port = g_port;
  auto sim = std::make_unique<camsim::CameraSimulator>(c);
  EXPECT_EQ(sim->start(), 0);
  return sim;
}

TEST_F(Search, DiscoveryHearsCamerasAndFollowsPauseAndResume) {
  ASSERT_TRUE(manager->start()) << "discovery port " << g_port;
  EXPECT_TRUE(manager->running());
  auto first = announcing("127.0.2.81", 81, false);
  auto second = announcing("127.0.2.82", 82, true);
  ASSERT_TRUE(wait_until([&] { return manager->contains(81) && manager->contains(82); }, 5000));
  EXPECT_EQ(manager->list_texts()[82], "82(127.0.2.82)");

  manager->pause();  // the sibling takes over discovery for a while
  auto third = announcing("127.0.2.83", 83, false);
  test::pump_for(500);
  EXPECT_FALSE(manager->contains(83));

  manager->resume_later();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0], (std::pair<int, int>{TIMER_RESUME_DISCOVERY, 3000}));
  manager->resume_timer_fired();
  EXPECT_EQ(killed, (std::vector<int>{TIMER_RESUME_DISCOVERY}));
  ASSERT_TRUE(wait_until([&] { return manager->contains(83); }, 5000));

  // A second start while running changes nothing.
  EXPECT_TRUE(manager->start());
}

TEST_F(Search, AFoundCameraCancelsAPendingResume) {
  ASSERT_TRUE(manager->start());
  manager->pause();
  manager->resume_later();
  const DetectedCamera r = camera(5, 0x7F000005);
  manager->OnCameraFound(&r, 48);
  manager->resume_timer_fired();  // cancelled: discovery stays paused
  auto sim = announcing("127.0.2.84", 84, false);
  test::pump_for(500);
  EXPECT_FALSE(manager->contains(84));
}

}  // namespace
}  // namespace velmora
