// The DetectedCamera record built from both announcement forms, byte for byte,
// and the camera list's rules, driven without sockets.
#include <gtest/gtest.h>

#include "detect/announcement.h"
#include "detect/camera_detector.h"
#include "detect_test_support.h"
#include "net/log.h"

using namespace detecttest;
using kestrune::CameraDetector;

namespace {

Bytes image(const DetectedCamera& r) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&r);
  return Bytes(p, p + sizeof r);
}

DetectedCamera built(const Bytes& d, bool list_empty) {
  DetectedCamera r;
  std::memset(&r, 0xEE, sizeof r);
  EXPECT_TRUE(kestrune::make_detected_camera(d.data(), d.size(), list_empty, &r));
  return r;
}

// Every byte of the datagram holds its own offset, so the image shows where
// each record byte came from.
Bytes numbered(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

}  // namespace

TEST(DetectedCameraRecord, ShortFormImage) {
  Bytes d = numbered(34);
  const Bytes expected = {
      0x06, 0x07, 0x08, 0x09,  // 0: address, bytes 6..9
      0x0A, 0x0B, 0x0C, 0x0D,  // 4: second address word, bytes 10..13
      0, 0, 0, 0,              // 8
      1, 0, 0, 0,              // 12: valid (list was empty)
      0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,  // 16: camera id, bytes 14..21
      0x16, 0x17,              // 24: first value, bytes 22..23
      0x1A, 0x1B,              // 26: second value, bytes 26..27
      0x1E, 0x1F,              // 28: third value, bytes 30..31
      0, 0,                    // 30
      0, 0, 0, 0, 0, 0, 0, 0,  // 32: no interface tag in the short form
      1, 0, 0, 0,              // 40: seen once
      0, 0, 0, 0};             // 44
  EXPECT_EQ(image(built(d, true)), expected);

  Bytes into_list = expected;
  into_list[12] = 0;  // the same announcement into a non-empty list
  EXPECT_EQ(image(built(d, false)), into_list);
}

TEST(DetectedCameraRecord, LongFormPicksTheFirstValidInterfaceBlock) {
  auto expected = [](std::uint8_t a, std::uint8_t w, std::uint8_t t) {
    Bytes e(48, 0);
    for (int i = 0; i < 4; ++i) {
      e[i] = a ? static_cast<std::uint8_t>(a + i) : 0;
      e[4 + i] = w ? static_cast<std::uint8_t>(w + i) : 0;
    }
    e[12] = 1;  // always valid
    for (int i = 0; i < 8; ++i) e[16 + i] = static_cast<std::uint8_t>(40 + i);
    e[24] = 48, e[25] = 49, e[26] = 52, e[27] = 53, e[28] = 56, e[29] = 57;
    for (int i = 0; i < 6; ++i) e[32 + i] = t ? static_cast<std::uint8_t>(t + i) : 0;
    e[40] = 1;
    return e;
  };
  Bytes d = numbered(196);
  d[2] = 1, d[3] = 1;  // both valid: the first block wins
  EXPECT_EQ(image(built(d, false)), expected(16, 20, 4));
  d[2] = 0;  // only the second block
  EXPECT_EQ(image(built(d, false)), expected(28, 32, 10));
  d[2] = 2, d[3] = 0;  // a flag other than 1 is not valid
  EXPECT_EQ(image(built(d, false)), expected(0, 0, 0));
}

TEST(DetectedCameraRecord, OnlyTheTwoLengthsAreAnnouncements) {
  DetectedCamera r;
  std::uint64_t id;
  for (std::size_t n : {0u, 1u, 33u, 35u, 195u, 197u, 510u}) {
    const Bytes d(n + 1, 0);
    EXPECT_FALSE(kestrune::make_detected_camera(d.data(), n, true, &r)) << n;
    EXPECT_FALSE(kestrune::announcement_camera_id(d.data(), n, &id)) << n;
  }
}

class CameraList : public ::testing::Test {
protected:
  void SetUp() override {
    detector().reset();
    detector().register_callback(&notify);
    kestrune::set_log_sink(&CameraList::capture);
    lines().clear();
  }
  void TearDown() override {
    detector().reset();
    kestrune::set_log_sink(nullptr);
  }
  static CameraDetector& detector() { return CameraDetector::instance(); }
  static void feed(const Bytes& d, std::uint32_t source = kLoopback) {
    detector().handle_datagram(d.data(), d.size(), source);
  }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> l;
    return l;
  }
  static void capture(const std::string& line) { lines().push_back(line); }

  RecordingNotify notify;
};

TEST_F(CameraList, FoundOnceWhileAnnouncingAndLostAtTheSecondSilentSweep) {
  const std::uint64_t id = 0x8000000000000123ull;  // printed unsigned
  feed(short_announcement(id));
  feed(short_announcement(id));
  detector().sweep();  // heard since the last sweep: kept
  feed(long_announcement(id));
  detector().sweep();  // first sweep after the last announcement: kept
  EXPECT_EQ(notify.count(true, id), 1);
  EXPECT_EQ(notify.count(false, id), 0);
  ASSERT_EQ(detector().cameras().size(), 1u);
  detector().sweep();  // a whole period without a word
  EXPECT_EQ(notify.count(false, id), 1);
  EXPECT_TRUE(detector().cameras().empty());
  EXPECT_EQ(notify.bad_sizes(), 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"New Camera : 9223372036854776099",
                                               "Lost Camera : 9223372036854776099"}));
}

TEST_F(CameraList, NewAddressReplacesTheRecordWithoutALostNotice) {
  feed(short_announcement(7, 0x0A000001), 0x0A000001);
  feed(short_announcement(8, 0x0A000002), 0x0A000002);
  feed(long_announcement(7, 0x0A000009), 0x0A000009);
  const auto events = notify.events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[2].found);
  EXPECT_EQ(+events[2].record.ip_address, 0x0A000009u);
  EXPECT_EQ(notify.count(false, 7), 0);
  const auto list = detector().cameras();
  ASSERT_EQ(list.size(), 2u);  // one record per id, the replacement at the end
  EXPECT_EQ(+list[0].camera_id, 8u);
  EXPECT_EQ(+list[1].camera_id, 7u);
  EXPECT_EQ(+list[1].seen, 1);
}

TEST_F(CameraList, SourceAddressDecidesNotTheAddressInsideTheAnnouncement) {
  // A camera announcing an address other than the one it sends from is
  // replaced at every announcement: matching is against the sender.
  feed(short_announcement(5, 0x0A000001), 0x0A000001);
  feed(short_announcement(5, 0x0A000001), 0x0A000001);
  EXPECT_EQ(notify.count(true, 5), 1);
  feed(short_announcement(5, 0x0A000001), 0x0A000002);
  EXPECT_EQ(notify.count(true, 5), 2);
}

TEST_F(CameraList, WrongLengthsChangeNothing) {
  feed(short_announcement(1));
  for (std::size_t n : {33u, 35u, 195u}) {
    Bytes d = long_announcement(2);
    d.resize(n);
    feed(d);
  }
  EXPECT_EQ(notify.events().size(), 1u);
  ASSERT_EQ(detector().cameras().size(), 1u);
  EXPECT_EQ(+detector().cameras()[0].seen, 1);
}

TEST_F(CameraList, ShortFormIntoANonEmptyListIsNotValid) {
  feed(short_announcement(1));
  feed(short_announcement(2));
  feed(long_announcement(3));
  const auto list = detector().cameras();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(+list[0].valid, 1u);
  EXPECT_EQ(+list[1].valid, 0u);
  EXPECT_EQ(+list[2].valid, 1u);
}

TEST_F(CameraList, WithoutANotifyTheListStillWorks) {
  detector().register_callback(nullptr);
  feed(short_announcement(4));
  detector().sweep();
  detector().sweep();
  EXPECT_TRUE(detector().cameras().empty());
  EXPECT_TRUE(notify.events().empty());
}
