// Reassembly of device messages from arbitrary chunks.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_receive_loop.h"
#include "device_test_support.h"
#include "net/log.h"

using namespace kestrune;
using devtest::message;
using Bytes = std::vector<unsigned char>;

namespace {

std::mutex g_log_mu;
std::vector<std::string> g_log;
void capture(const std::string& line) {
  std::lock_guard<std::mutex> g(g_log_mu);
  g_log.push_back(line);
}

struct Sink : DeviceMessageSink {
  std::vector<Bytes> got;
  void on_device_message(const char* m, std::uint32_t length) override {
    got.emplace_back(m, m + length);
  }
};

class ReceiveLoop : public ::testing::Test {
protected:
  void SetUp() override {
    g_log.clear();
    set_log_sink(capture);
  }
  void TearDown() override { set_log_sink(nullptr); }
  int feed(const Bytes& b) { return loop->feed(reinterpret_cast<const char*>(b.data()), static_cast<int>(b.size())); }
  bool logged(const std::string& text) {
    for (const auto& l : g_log)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  Sink sink;
  std::unique_ptr<DeviceReceiveLoop> loop = std::make_unique<DeviceReceiveLoop>(&sink);
};

Bytes concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

}  // namespace

TEST_F(ReceiveLoop, MergedMessagesAreDispatchedInOrderInOneCall) {
  const Bytes a = message(11);
  const Bytes b = message(83, {0, 0, 1, 0});
  EXPECT_EQ(feed(concat(a, b)), 0);
  ASSERT_EQ(sink.got.size(), 2u);
  EXPECT_EQ(sink.got[0], a);
  EXPECT_EQ(sink.got[1], b);
  EXPECT_EQ(loop->fill(), 0);
}

TEST_F(ReceiveLoop, SplitMessageCompletesOnItsLastByteAndKeepsTheNextStart) {
  Bytes big = message(91, Bytes(100, 0x5A));
  const Bytes next = message(11);
  // three chunks: 3 bytes, middle, the tail plus the first 4 bytes of the next
  Bytes third(big.begin() + 50, big.end());
  third.insert(third.end(), next.begin(), next.begin() + 4);
  EXPECT_EQ(feed(Bytes(big.begin(), big.begin() + 3)), 0);
  EXPECT_EQ(feed(Bytes(big.begin() + 3, big.begin() + 50)), 0);
  EXPECT_TRUE(sink.got.empty());
  EXPECT_EQ(feed(third), 0);
  ASSERT_EQ(sink.got.size(), 1u);
  EXPECT_EQ(sink.got[0], big);
  EXPECT_EQ(loop->fill(), 4);
  EXPECT_EQ(feed(Bytes(next.begin() + 4, next.end())), 0);
  ASSERT_EQ(sink.got.size(), 2u);
  EXPECT_EQ(sink.got[1], next);
}

TEST_F(ReceiveLoop, HeaderOnlyBoundaries) {
  const Bytes beat = message(11);
  EXPECT_EQ(feed(Bytes(beat.begin(), beat.begin() + 5)), 0);  // 5 bytes: only stored
  EXPECT_TRUE(sink.got.empty());
  EXPECT_EQ(loop->fill(), 5);
  loop->reset();
  EXPECT_EQ(feed(beat), 0);  // exactly the 6 bytes of a 6-byte message
  ASSERT_EQ(sink.got.size(), 1u);
  EXPECT_EQ(loop->fill(), 0);
  EXPECT_EQ(loop->feed(nullptr, 0), 0);
}

TEST_F(ReceiveLoop, BadTypeIsLoggedAndSkipped) {
  const Bytes bad = message(200, {1, 2, 3});
  const Bytes zero = message(0);
  const Bytes good = message(11);
  EXPECT_EQ(feed(concat(concat(bad, zero), good)), 0);
  ASSERT_EQ(sink.got.size(), 1u);
  EXPECT_EQ(sink.got[0], good);
  EXPECT_TRUE(logged("[CameraDriverModule]: Error Message .\xC8-- 9"));
  EXPECT_TRUE(logged("[CameraDriverModule]: Error Message .-- 6"));
}

TEST_F(ReceiveLoop, ImpossibleLengthsAreFramingErrorsNotSpins) {
  // A length below the header can never be consumed.
  Bytes tiny = {3, 0, 0, 0, 11, 0, 0, 0};
  EXPECT_EQ(feed(tiny), DeviceReceiveLoop::kFramingError);
  EXPECT_TRUE(logged("[CameraDriverModule]: Bad Message Length:3"));
  EXPECT_EQ(loop->fill(), 0);
  // Nor can one larger than the receive buffer.
  Bytes huge = {0x01, 0x00, 0x02, 0x00, 91, 0};
  EXPECT_EQ(feed(huge), DeviceReceiveLoop::kFramingError);
  EXPECT_TRUE(logged("Bad Message Length:131073"));
  EXPECT_TRUE(sink.got.empty());
}

TEST_F(ReceiveLoop, LargestMessageFollowedByMoreBytesLosesNothing) {
  // A full-size message of which all but 100 bytes are buffered; the next
  // chunk brings those 100 bytes and a whole heartbeat. The chunk does not
  // fit behind the buffered bytes and is taken in two pieces.
  Bytes big = message(91, Bytes(DeviceReceiveLoop::kCapacity - 6, 0x33));
  big[100] = 0x44;
  const Bytes beat = message(11);
  const std::size_t held = big.size() - 100;
  EXPECT_EQ(feed(Bytes(big.begin(), big.begin() + static_cast<long>(held))), 0);
  Bytes chunk(big.begin() + static_cast<long>(held), big.end());
  chunk.insert(chunk.end(), beat.begin(), beat.end());
  EXPECT_EQ(feed(chunk), 0);
  ASSERT_EQ(sink.got.size(), 2u);
  EXPECT_EQ(sink.got[0], big);
  EXPECT_EQ(sink.got[1], beat);
  EXPECT_FALSE(logged("Buffer not enough"));
}

TEST_F(ReceiveLoop, ResetFromWithinADispatchStopsTheDrain) {
  struct ResettingSink : DeviceMessageSink {
    DeviceReceiveLoop* loop = nullptr;
    int calls = 0;
    void on_device_message(const char*, std::uint32_t) override {
      ++calls;
      loop->reset();  // as a close from inside a callback does
    }
  } resetting;
  DeviceReceiveLoop own(&resetting);
  resetting.loop = &own;
  const Bytes two = concat(message(11), message(11));
  EXPECT_EQ(own.feed(reinterpret_cast<const char*>(two.data()), static_cast<int>(two.size())), 0);
  EXPECT_EQ(resetting.calls, 1);
  EXPECT_EQ(own.fill(), 0);
}
