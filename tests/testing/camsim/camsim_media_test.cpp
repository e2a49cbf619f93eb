// Live streams, playback, recording control and video settings of the
// simulated camera.
#include "camsim.h"
#include "raw_client.h"

#include <gtest/gtest.h>

using namespace camsim_test;

namespace {

class CamsimMedia : public ::testing::Test {
protected:
  void SetUp() override {
    camsim::Config c;
    c.port = 0;
    c.video_fps = 25;
    c.audio_fps = 10;
    c.recordings = camsim::generate_recordings(2, 20000, 30000, 0.0, 3);
    sim_ = std::make_unique<camsim::CameraSimulator>(c);
    ASSERT_EQ(sim_->start(), 0);
    client_ = std::make_unique<RawClient>(sim_->port());
    ASSERT_EQ(client_->login(""), 0u);
  }
  // Reads until the camera has been quiet for a second.
  void drain() {
    while (!client_->receive(std::chrono::milliseconds(1000)).empty()) {
    }
  }
  std::unique_ptr<camsim::CameraSimulator> sim_;
  std::unique_ptr<RawClient> client_;
};

TEST_F(CamsimMedia, LiveFramesFlowWhileRequested) {
  client_->send(message(14, 6));
  Bytes v1 = client_->receive_type(9);
  Bytes v2 = client_->receive_type(9);
  ASSERT_GE(v1.size(), 15u);
  ASSERT_GE(v2.size(), 15u);
  EXPECT_LE(get32(v1, 7), get32(v2, 7));  // time stamps do not run backwards

  client_->send(message(12, 6));
  Bytes a = client_->receive_type(1);
  ASSERT_EQ(a.size(), 340u);

  client_->send(message(15, 6));
  client_->send(message(13, 6));
  drain();
  EXPECT_TRUE(client_->receive(std::chrono::milliseconds(300)).empty());
  EXPECT_FALSE(client_->closed());
  camsim::Stats s = sim_->stats();
  EXPECT_EQ(s.video_starts, 1);
  EXPECT_EQ(s.audio_stops, 1);
  EXPECT_GE(s.video_frames_sent, 2);
  EXPECT_EQ(s.protocol_errors, 0);
}

TEST_F(CamsimMedia, RecordingEndsWithANoticeAndAddsARecording) {
  Bytes start = message(71, 22);
  start[7] = 1;
  start[8] = 1;
  start[10] = 9;
  put32(start, 18, 1);
  client_->send(start);
  Bytes r = client_->receive_type(72);
  ASSERT_EQ(r.size(), 14u);
  EXPECT_EQ(get32(r, 10), 0u);
  uint32_t transaction = get32(r, 6);

  client_->send(start);  // one recording at a time
  EXPECT_NE(get32(client_->receive_type(72), 10), 0u);

  Bytes end = client_->receive_type(75);
  ASSERT_EQ(end.size(), 10u);
  EXPECT_EQ(get32(end, 6), transaction);
  EXPECT_EQ(sim_->recordings().size(), 3u);

  // Open-ended recording stopped by the client: no notice.
  put32(start, 18, 0);
  client_->send(start);
  transaction = get32(client_->receive_type(72), 6);
  Bytes stop = message(73, 10);
  put32(stop, 6, transaction);
  client_->send(stop);
  client_->send(message(11, 6));
  EXPECT_EQ(client_->receive()[4], 11);
  EXPECT_EQ(sim_->recordings().size(), 4u);
  EXPECT_EQ(sim_->stats().protocol_errors, 0);
}

TEST_F(CamsimMedia, RemotePlaybackStreamsAndEnds) {
  camsim::Recording rec = sim_->recordings()[0];
  Bytes play = message(115, 62);
  put32(play, 6, 77);
  put_name(play, 10, rec.name);
  put32(play, 42, rec.key);
  client_->send(play);
  Bytes r = client_->receive_type(116);
  ASSERT_EQ(r.size(), 22u);
  EXPECT_EQ(get32(r, 10), 77u);
  EXPECT_EQ(get32(r, 14), 0u);
  uint32_t camera_play = get32(r, 6);

  Bytes frame = client_->receive_type(9);
  ASSERT_GT(frame.size(), 15u);
  EXPECT_EQ(frame[15], camsim::generated_byte(rec.key, 0));

  Bytes end = client_->receive_type(118);
  ASSERT_EQ(end.size(), 10u);
  EXPECT_EQ(get32(end, 6), camera_play);

  put_name(play, 10, "missing.avi");
  client_->send(play);
  EXPECT_NE(get32(client_->receive_type(116), 14), 0u);
}

TEST_F(CamsimMedia, VideoSettingsSetIsReportedBack) {
  Bytes set = message(107, 18);
  for (int i = 0; i < 6; ++i) put16(set, 6 + 2 * i, static_cast<uint16_t>(i == 0 ? 2 : 100 + i));
  client_->send(set);
  client_->receive_type(108);
  Bytes get = message(108, 18);
  put16(get, 6, 2);
  client_->send(get);
  Bytes r = client_->receive_type(108);
  ASSERT_EQ(r.size(), 18u);
  for (int i = 1; i < 6; ++i) EXPECT_EQ(get16(r, 6 + 2 * i), 100 + i);
  EXPECT_EQ(sim_->stats().protocol_errors, 0);
}

}  // namespace
