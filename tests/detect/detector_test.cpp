// The detector on real sockets: receiving, the sweep on a short period,
// start/stop/suspend/resume and the fixed discovery port.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "camera_detect_module.h"
#include "detect/announcement.h"
#include "detect/camera_detector.h"
#include "detect_test_support.h"

using namespace detecttest;
using kestrune::CameraDetector;
using NVS_SDK_V160::Camera_Detect_Module;
using Clock = std::chrono::steady_clock;

namespace {

bool wait_for(const std::function<bool()>& done, int timeout_ms = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return done();
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class Detector : public ::testing::Test {
protected:
  void SetUp() override {
    detector().reset();
    detector().set_port(0);  // any free port: parallel runs cannot collide
    module.RegisterCallback(&notify);
  }
  void TearDown() override {
    detector().reset();
    detector().set_port(kestrune::kDiscoveryPort);
  }
  static CameraDetector& detector() { return CameraDetector::instance(); }
  std::uint16_t port() const { return detector().bound_port(); }

  Camera_Detect_Module module;  // one the host made itself
  RecordingNotify notify;
  Sender sender;
};

}  // namespace

TEST_F(Detector, HearsAnnouncementsAndRefusesASecondStart) {
  ASSERT_EQ(module.Start(), 0);
  ASSERT_NE(port(), 0);
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kRunning);
  EXPECT_EQ(Camera_Detect_Module::GetInstance()->Start(), -1);  // same detector
  sender.send(port(), short_announcement(11));
  sender.send(port(), long_announcement(12));
  ASSERT_TRUE(wait_for([&] { return notify.events().size() == 2; }));
  EXPECT_EQ(+notify.events()[0].record.ip_address, kLoopback);
  EXPECT_EQ(+notify.events()[1].record.camera_id, 12u);
  EXPECT_EQ(Camera_Detect_Module::GetInstance(), Camera_Detect_Module::GetInstance());
}

TEST_F(Detector, DatagramsTooLongOrOfOtherLengthsAreIgnored) {
  ASSERT_EQ(module.Start(), 0);
  // Longer than the receive buffer: must not be taken for a cut-down one.
  Bytes big = long_announcement(21);
  big.resize(600);
  sender.send(port(), big);
  Bytes odd = short_announcement(22);
  odd.resize(35);
  sender.send(port(), odd);
  sender.send(port(), Bytes{});
  sender.send(port(), short_announcement(23));  // arrives after the others
  ASSERT_TRUE(wait_for([&] { return !notify.events().empty(); }));
  pause_ms(50);
  ASSERT_EQ(notify.events().size(), 1u);
  EXPECT_EQ(+notify.events()[0].record.camera_id, 23u);
}

TEST_F(Detector, SweepReportsSilentCamerasBetweenOneAndTwoPeriods) {
  constexpr int kPeriod = 300;
  detector().set_sweep_period(kPeriod);
  ASSERT_EQ(module.Start(), 0);
  // Camera 1 announces every 100 ms throughout; camera 2 falls silent.
  sender.send(port(), short_announcement(2));
  const auto silent_since = Clock::now();
  Clock::time_point lost_at{};
  for (int i = 0; i < 12; ++i) {  // 1.2 s: four periods
    sender.send(port(), short_announcement(1));
    pause_ms(100);
    if (lost_at == Clock::time_point{} && notify.count(false, 2) == 1) lost_at = Clock::now();
  }
  EXPECT_EQ(notify.count(true, 1), 1);
  EXPECT_EQ(notify.count(false, 1), 0);
  ASSERT_EQ(notify.count(false, 2), 1);
  const auto after = std::chrono::duration_cast<std::chrono::milliseconds>(lost_at - silent_since).count();
  EXPECT_GE(after, kPeriod);
  EXPECT_LE(after, 2 * kPeriod + 150);
}

TEST_F(Detector, StopEndsTheReceiverAndTheSweepReportsEveryoneLost) {
  detector().set_sweep_period(200);
  ASSERT_EQ(module.Start(), 0);
  const std::uint16_t was = port();
  sender.send(was, short_announcement(31));
  sender.send(was, short_announcement(32));
  ASSERT_TRUE(wait_for([&] { return notify.events().size() == 2; }));
  ASSERT_EQ(module.Stop(), 0);
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kNone);
  EXPECT_EQ(port(), 0);
  EXPECT_EQ(module.Stop(), 0);  // nothing left to stop
  ASSERT_TRUE(wait_for([&] { return notify.count(false, 31) == 1 && notify.count(false, 32) == 1; }, 2000));
  // Listening again after a stop works, and finds the cameras anew.
  ASSERT_EQ(module.Start(), 0);
  sender.send(port(), short_announcement(31));
  ASSERT_TRUE(wait_for([&] { return notify.count(true, 31) == 2; }));
}

TEST_F(Detector, SuspendClosesTheSocketAndResumeListensAtOnce) {
  EXPECT_EQ(module.Suspend(), -1);  // nothing runs yet
  ASSERT_EQ(module.Start(), 0);
  const std::uint16_t first = port();
  ASSERT_EQ(module.Suspend(), 0);
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kSuspended);
  EXPECT_EQ(port(), 0);
  EXPECT_EQ(module.Suspend(), -1);
  sender.send(first, short_announcement(41));  // nobody listens any more
  pause_ms(50);
  EXPECT_TRUE(notify.events().empty());

  ASSERT_EQ(module.Resume(), 0);
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kRunning);
  ASSERT_NE(port(), 0);
  // Heard at once on the new socket, not after a polling pause.
  const auto sent = Clock::now();
  sender.send(port(), short_announcement(42));
  ASSERT_TRUE(wait_for([&] { return notify.count(true, 42) == 1; }));
  EXPECT_LT(Clock::now() - sent, std::chrono::milliseconds(500));
  EXPECT_EQ(module.Resume(), 0);  // already listening: nothing changes
  EXPECT_EQ(module.Suspend(), 0);
  EXPECT_EQ(module.Stop(), 0);  // a suspended receiver ends too
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kNone);
}

TEST_F(Detector, PortAlreadyTakenFailsWithoutAThread) {
  const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  socklen_t len = sizeof a;
  ::getsockname(holder, reinterpret_cast<sockaddr*>(&a), &len);
  detector().set_port(ntohs(a.sin_port));
  EXPECT_EQ(module.Start(), -1);
  EXPECT_EQ(detector().receiver_state(), CameraDetector::kNone);
  EXPECT_EQ(module.Resume(), -1);
  ::close(holder);
  EXPECT_EQ(module.Start(), 0);
}

TEST_F(Detector, ListensOnTheDiscoveryPort) {
  detector().set_port(kestrune::kDiscoveryPort);
  int started = -1;
  // Another program on this machine (a demo, a Velmora) may hold it for a
  // while: wait generously rather than fail.
  for (int attempt = 0; attempt < 600 && started != 0; ++attempt) {
    started = module.Start();
    if (started != 0) pause_ms(100);
  }
  ASSERT_EQ(started, 0) << "port 51010 stayed busy";
  EXPECT_EQ(port(), 51010);
  sender.send(51010, long_announcement(51));
  ASSERT_TRUE(wait_for([&] { return notify.count(true, 51) == 1; }));
}
