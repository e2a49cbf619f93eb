// Login, heartbeat and framing checks of the simulated camera.
#include "camsim.h"
#include "raw_client.h"

#include <gtest/gtest.h>

using namespace camsim_test;

namespace {

camsim::Config base_config() {
  camsim::Config c;
  c.port = 0;
  c.password = "secret";
  c.recordings = camsim::generate_recordings(5, 1000, 5000, 0.5, 7);
  return c;
}

TEST(CamsimSession, ChallengeLoginAcceptsRightDigestAndRechallengesWrongOne) {
  camsim::CameraSimulator sim(base_config());
  ASSERT_EQ(sim.start(), 0);

  RawClient good(sim.port());
  ASSERT_TRUE(good.connected());
  ASSERT_TRUE(good.send(login_message(0, "secret")));
  Bytes r = good.receive();
  ASSERT_EQ(r.size(), 70u);
  EXPECT_EQ(r[4], 10);
  EXPECT_EQ(get32(r, 50), 10100u);
  uint32_t challenge = get32(r, 46);
  EXPECT_NE(challenge, 0u);
  ASSERT_TRUE(good.send(login_message(challenge, "secret")));
  r = good.receive();
  ASSERT_EQ(r.size(), 70u);
  EXPECT_EQ(get32(r, 50), 0u);

  RawClient bad(sim.port());
  bad.send(login_message(0, "wrong"));
  r = bad.receive();
  uint32_t first = get32(r, 46);
  bad.send(login_message(first, "wrong"));
  r = bad.receive();
  ASSERT_EQ(r.size(), 70u);
  EXPECT_EQ(get32(r, 50), 10100u);
  EXPECT_NE(get32(r, 46), first);  // a fresh challenge each time

  // A refused client is still not logged in.
  bad.send(message(81, 6));
  EXPECT_TRUE(eventually([&] { return sim.stats().protocol_errors == 1; }));
  camsim::Stats s = sim.stats();
  EXPECT_EQ(s.logins_ok, 1);
  EXPECT_EQ(s.logins_refused, 1);
  EXPECT_EQ(s.connections, 2);
}

TEST(CamsimSession, WithoutChallengeTheFirstLoginIsCheckedAgainstChallengeZero) {
  camsim::Config c = base_config();
  c.challenge = false;
  camsim::CameraSimulator sim(c);
  ASSERT_EQ(sim.start(), 0);

  RawClient good(sim.port());
  good.send(login_message(0, "secret"));
  Bytes r = good.receive();
  ASSERT_EQ(r.size(), 70u);
  EXPECT_EQ(get32(r, 50), 0u);

  RawClient bad(sim.port());
  EXPECT_EQ(bad.login("secreT"), 10100u);
  EXPECT_EQ(sim.stats().logins_refused, 2);  // first try and the answered challenge
}

TEST(CamsimSession, HeartbeatsAreAnsweredUntilSwitchedOff) {
  camsim::CameraSimulator sim(base_config());
  ASSERT_EQ(sim.start(), 0);
  RawClient c(sim.port());
  ASSERT_EQ(c.login("secret"), 0u);

  c.send(message(11, 6));
  Bytes r = c.receive();
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[4], 11);

  // With answers off, the statistic reply sent after the heartbeat is the
  // next thing on the wire.
  sim.set_answer_heartbeats(false);
  c.send(message(11, 6));
  c.send(message(81, 6));
  r = c.receive();
  ASSERT_FALSE(r.empty());
  EXPECT_EQ(r[4], 81);
  EXPECT_EQ(get16(r, 6), 5u);

  sim.set_answer_heartbeats(true);
  c.send(message(11, 6));
  EXPECT_EQ(c.receive()[4], 11);
  EXPECT_EQ(sim.stats().heartbeats, 3);
  EXPECT_EQ(sim.stats().protocol_errors, 0);
}

TEST(CamsimSession, MalformedMessagesAreCountedAndTheSessionGoesOn) {
  camsim::CameraSimulator sim(base_config());
  ASSERT_EQ(sim.start(), 0);
  RawClient c(sim.port());
  c.send(message(11, 6));  // before login
  ASSERT_EQ(c.login("secret"), 0u);
  c.send(message(11, 10));                    // heartbeat with a body
  c.send(message(200, 8));                    // type the camera never receives
  c.send(download_request(1, "x", 0, 0, 0));  // followed by a short list request:
  c.send(message(82, 12));
  EXPECT_TRUE(eventually([&] { return sim.stats().protocol_errors == 4; }))
      << sim.stats().last_protocol_error;
  // The unknown name is refused without a protocol error; the session lives.
  Bytes r = c.receive_type(87);
  ASSERT_EQ(r.size(), 18u);
  EXPECT_NE(get32(r, 14), 0u);
  c.send(message(11, 6));
  EXPECT_EQ(c.receive_type(11).size(), 6u);

  // A length that cannot frame anything ends the connection.
  Bytes broken = message(11, 6);
  put32(broken, 0, 3);
  c.send(broken);
  EXPECT_TRUE(c.receive().empty());
  EXPECT_TRUE(c.closed());
  EXPECT_EQ(sim.stats().protocol_errors, 5);
}

TEST(CamsimSession, SilentCameraAndDroppedConnections) {
  camsim::Config cfg = base_config();
  cfg.answer_login = false;
  camsim::CameraSimulator sim(cfg);
  ASSERT_EQ(sim.start(), 0);
  RawClient c(sim.port());
  c.send(login_message(0, "secret"));
  EXPECT_TRUE(c.receive(std::chrono::milliseconds(500)).empty());
  EXPECT_FALSE(c.closed());

  sim.drop_connections();
  EXPECT_TRUE(c.receive().empty());
  EXPECT_TRUE(c.closed());
  EXPECT_TRUE(eventually([&] { return sim.stats().active_connections == 0; }));
}

TEST(CamsimSession, AdoptedStreamCanSkipTheLogin) {
  camsim::CameraSimulator sim(base_config());
  EXPECT_EQ(sim.adopt_connection(::dup(0), true), -1);  // not started: closed, refused
  ASSERT_EQ(sim.start(), 0);
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ASSERT_EQ(sim.adopt_connection(pair[0], true), 0);
  Bytes hb = message(11, 6);
  ASSERT_EQ(::send(pair[1], hb.data(), hb.size(), MSG_NOSIGNAL), 6);
  uint8_t reply[6] = {};
  pollfd p{pair[1], POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 15000), 1);
  EXPECT_EQ(::recv(pair[1], reply, sizeof reply, MSG_WAITALL), 6);
  EXPECT_EQ(reply[4], 11);
  ::close(pair[1]);
  EXPECT_TRUE(eventually([&] { return sim.stats().active_connections == 0; }));
  EXPECT_EQ(sim.stats().protocol_errors, 0);
}

}  // namespace
