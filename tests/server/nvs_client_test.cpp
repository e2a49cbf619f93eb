// The exported server client against the simulated server over loopback.
#include <arpa/inet.h>

#include "server_test_support.h"

#include "server/my_nvs_client.h"
#include "server/vifs_protocol.h"
#include "wire.h"

using namespace server_test;
using NVS_SDK_V160::NVS_Client_Module;

namespace {

std::uint32_t u32_at(const Bytes& b, size_t offset) {
  std::uint32_t v;
  std::memcpy(&v, b.data() + offset, 4);
  return v;
}

}  // namespace

TEST_F(ServerTest, RequestsBeforeLoginAreRefused) {
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  m.RegisterMessageNofity(&r);
  EXPECT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), -100);
  EXPECT_EQ(m.SendNVTListRequest(), -1);
  EXPECT_EQ(m.LogoutServer(), -1);
  EXPECT_EQ(m.GetStatus(), 0);
  EXPECT_EQ(m.GetSessionID(), -1);
  EXPECT_EQ(m.ConnectServer("not an address", 1701), -1);
  // Leading zeros would be octal or hex to inet_addr: "127.000.000.010" is
  // not 127.0.0.8. Plain decimal forms keep their meaning.
  for (const char* octal : {"127.000.000.010", "127.0.0.01", "0127.0.0.1", "127.0.0.0x1", "00.0.0.0"})
    EXPECT_EQ(m.ConnectServer(octal, 1701), -1) << octal;
  EXPECT_EQ(kestrune::inet_address("127.0.0.10"), htonl(0x7F00000Au));
  EXPECT_EQ(kestrune::inet_address("0.0.0.0"), 0u);
  EXPECT_EQ(kestrune::inet_address("127.1"), htonl(0x7F000001u));
  EXPECT_EQ(kestrune::inet_address("10.20.30.40"), htonl(0x0A141E28u));

  nvssim::Config c;
  c.address = "127.0.3.1";
  c.accounts = {account()};
  auto s = start_server(c);
  ASSERT_EQ(m.ConnectServer("127.0.3.1", s->port()), 0);
  ASSERT_TRUE(r.wait_for("connect 0"));
  NVS_SDK_V160::CAMERA_INFO cam{};
  cam.nvt_id = 1000;
  EXPECT_EQ(m.RequestRelayKey(cam), 0);  // not logged in: nothing is sent
  m.GetAllGroupUser();
  EXPECT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), 0);
  EXPECT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), -100);  // under way
  ASSERT_TRUE(r.wait_for("access 0"));
  auto sent = s->received_messages();
  ASSERT_EQ(sent.size(), 2u);  // the two login steps only
  EXPECT_EQ(s->counters().protocol_errors, 0);
}

TEST_F(ServerTest, LoginGrantsSessionAndListKeepsFirstHundred) {
  nvssim::Config c;
  c.address = "127.0.3.2";
  c.accounts = {account("alice", "secret", "SERIAL0001", 150),
                account("vomul", "0123456789abcdefXYZ", "SERIAL0002", 1)};
  auto s = start_server(c);

  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.2", c.accounts[0]));
  EXPECT_EQ(m.GetStatus(), 2);
  EXPECT_GE(m.GetSessionID(), 0x1000);
  EXPECT_EQ(m.GetUserInfo().user_id, 4711u);
  EXPECT_EQ(m.GetUserInfo().user_name, "alice");
  EXPECT_EQ(m.GetUserInfo().group_name, "SERIAL0001");
  EXPECT_EQ(m.GetUserInfo().reserved, -1);
  EXPECT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), -100);

  ASSERT_EQ(m.SendNVTListRequest(), 0);
  ASSERT_TRUE(r.wait_for("list " + std::to_string(100 * 138 + 32)));
  Bytes list = r.locked([&] { return r.list; });
  EXPECT_EQ(u32_at(list, 0), 100u);
  EXPECT_EQ(u32_at(list, 4), 1000u);
  EXPECT_EQ(u32_at(list, 4 + 99 * 138), 1099u);
  EXPECT_EQ(u32_at(list, 4 + 99 * 138 + 98), 0xC0DE0000u + 99);

  // An update replaces the list again, in any state.
  s->send_nvt_list_update();
  ASSERT_TRUE(wait_until([&] { return r.count("list ") == 2; }));

  // The reserved account's digest on a second connection.
  NVS_Client_Module m2;
  Recorder r2;
  NotifyGuard guard2(m2);
  ASSERT_TRUE(connect_and_login(m2, r2, *s, "127.0.3.2", c.accounts[1]));
  EXPECT_EQ(s->counters().logins_accepted, 2);
  EXPECT_EQ(s->counters().protocol_errors, 0);
}

TEST_F(ServerTest, LoginRefusedAtEachStepAndRetriedOnTheSameConnection) {
  nvssim::Config c;
  c.address = "127.0.3.3";
  c.accounts = {account()};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  m.RegisterMessageNofity(&r);
  ASSERT_EQ(m.ConnectServer("127.0.3.3", s->port()), 0);
  ASSERT_TRUE(r.wait_for("connect 0"));

  s->refuse_login(1, 7);
  ASSERT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), 0);
  ASSERT_TRUE(r.wait_for("access 7"));
  EXPECT_EQ(m.GetStatus(), 0);

  s->refuse_login(2, 9);
  ASSERT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), 0);
  ASSERT_TRUE(r.wait_for("access 9"));
  EXPECT_EQ(m.GetStatus(), 0);
  EXPECT_EQ(m.GetSessionID(), -1);

  s->refuse_login(0, 0);
  ASSERT_EQ(m.LoginServer("alice", "wrong", "SERIAL0001"), 0);
  ASSERT_TRUE(r.wait_for("access 2"));  // the server's digest check
  ASSERT_EQ(m.LoginServer("alice", "secret", "SERIAL0001"), 0);
  ASSERT_TRUE(r.wait_for("access 0"));
  EXPECT_EQ(m.GetStatus(), 2);
  EXPECT_EQ(s->counters().logins_refused, 3);
  EXPECT_FALSE(r.has("broken 0"));
  EXPECT_EQ(s->counters().protocol_errors, 0);
}

TEST_F(ServerTest, NoticesReachTheHandler) {
  nvssim::Config c;
  c.address = "127.0.3.4";
  c.accounts = {account()};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.4", c.accounts[0]));

  // A seize notice for another session is dropped; the flow-control notice
  // sent after it shows that it has been handled.
  s->send_seize_notice(true);
  s->send_flow_control({1, 2, 3});
  ASSERT_TRUE(r.wait_for("flow"));
  EXPECT_FALSE(r.has("seize"));
  Bytes flow = r.locked([&] { return r.flow; });
  ASSERT_EQ(flow.size(), 21u);  // the whole message, header first
  EXPECT_EQ(flow[4], 28);
  EXPECT_EQ(flow[18], 1);

  s->send_seize_notice();
  ASSERT_TRUE(r.wait_for("seize"));
  EXPECT_EQ(m.GetStatus(), 2);  // the library does not end the session

  s->send_notice_14({9, 8, 7, 6});
  ASSERT_TRUE(r.wait_for("notice14"));
  EXPECT_EQ(r.locked([&] { return r.notice; }), (Bytes{9, 8, 7, 6}));  // body only
}

TEST_F(ServerTest, RelayTicketNamesTheRelayEndpoint) {
  nvssim::Config c;
  c.address = "127.0.3.5";
  c.accounts = {account()};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.5", c.accounts[0]));
  ASSERT_EQ(m.SendNVTListRequest(), 0);
  ASSERT_TRUE(r.wait_for("list " + std::to_string(2 * 138 + 32)));
  NVS_SDK_V160::CAMERA_INFO cam;
  r.locked([&] { return std::memcpy(&cam, r.list.data() + 4 + 138, sizeof cam); });
  EXPECT_EQ(cam.nvt_id, 1001u);
  EXPECT_EQ(m.RequestRelayKey(cam), 0);
  ASSERT_TRUE(r.wait_for("ticket 1001"));
  Bytes t = r.locked([&] { return r.ticket; });
  EXPECT_EQ(u32_at(t, 0), 0u);
  EXPECT_EQ((Bytes(t.begin() + 52, t.begin() + 56)), (Bytes{127, 0, 3, 5}));
  EXPECT_EQ(t[56] | (t[57] << 8), s->relay_port());

  // An unknown camera gets a refusing ticket (first word non-zero).
  cam.nvt_id = 555;
  m.RequestRelayKey(cam);
  ASSERT_TRUE(r.wait_for("ticket 555"));
  EXPECT_NE(u32_at(r.locked([&] { return r.ticket; }), 0), 0u);
}

// A ticket is handed on once: a repeat of the answer finds its request gone,
// and a ticket naming another session is dropped before the request is read.
TEST_F(ServerTest, RelayTicketIsHandedOnOnlyOnce) {
  nvssim::Config c;
  c.address = "127.0.3.10";
  c.accounts = {account()};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.10", c.accounts[0]));
  ASSERT_EQ(m.SendNVTListRequest(), 0);
  ASSERT_TRUE(r.wait_for("list " + std::to_string(2 * 138 + 32)));
  NVS_SDK_V160::CAMERA_INFO cam;
  r.locked([&] { return std::memcpy(&cam, r.list.data() + 4, sizeof cam); });
  LogCapture log;
  m.RequestRelayKey(cam);
  ASSERT_TRUE(wait_until([&] { return r.count("ticket ") == 1; }));

  std::uint32_t txn = 0;
  for (const auto& msg : s->received_messages())
    if (nvssim::wire::parse_header(msg.data()).id == nvssim::wire::RELAY_KEY_REQ)
      txn = nvssim::wire::parse_header(msg.data()).txn;
  const auto session = static_cast<std::uint32_t>(m.GetSessionID());
  const std::vector<uint8_t> ticket(58, 0x33);
  s->send_raw(nvssim::wire::message(1, nvssim::wire::RELAY_KEY_RESP, txn, session, ticket));
  s->send_raw(nvssim::wire::message(1, nvssim::wire::RELAY_KEY_RESP, txn, session + 1, ticket));
  s->send_flow_control({4});
  ASSERT_TRUE(r.wait_for("flow"));
  EXPECT_EQ(r.count("ticket "), 1);
  EXPECT_TRUE(LogCapture::contains("[NVDVIFsClient][ERROR]Can't find src message."));
  EXPECT_TRUE(LogCapture::contains(" Session ID Error or Get Message Failed"));
  EXPECT_EQ(m.GetStatus(), 2);
}

TEST_F(ServerTest, GroupUsersListedChangedAndCommonErrors) {
  nvssim::Config c;
  c.address = "127.0.3.6";
  c.accounts = {account()};
  c.group_users = {{"bob", "pw", "SERIAL0001", 1}, {"carol", "pw", "SERIAL0001", 2},
                   {"dave", "pw", "OTHER", 3}};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.6", c.accounts[0]));

  m.GetAllGroupUser();
  ASSERT_TRUE(r.wait_for("all 2"));
  ASSERT_EQ(m.GetGroupUserCount(), 2);
  std::vector<unsigned char> buf(2 * 108);
  EXPECT_EQ(m.GetGroupUserList(buf.data(), 2 * 108 - 1), -1);
  ASSERT_EQ(m.GetGroupUserList(buf.data(), 2 * 108), 0);
  NVS_SDK_V160::UserInfo u;
  std::memcpy(&u, buf.data() + 108, sizeof u);
  EXPECT_STREQ(u.user_name, "carol");
  EXPECT_EQ(u.rights, 2u);

  NVS_SDK_V160::UserInfo added{};
  std::strcpy(added.user_name, "erin");
  std::strcpy(added.group_name, "SERIAL0001");
  m.AddGroupUser(added);
  ASSERT_TRUE(r.wait_for("add 0"));
  m.AddGroupUser(added);
  ASSERT_TRUE(r.wait_for("add 1"));  // already there
  added.rights = 77;
  m.UpdateGroupUser(added);
  ASSERT_TRUE(r.wait_for("update 0"));
  auto users = s->group_users("SERIAL0001");
  ASSERT_EQ(users.size(), 3u);
  EXPECT_EQ(users[2].rights, 77u);

  // A name longer than its field is cut to 23 characters.
  m.DelGroupUser((std::string("carol") + std::string(25, 'x')).c_str(), "SERIAL0001");
  ASSERT_TRUE(r.wait_for("del 1"));
  m.DelGroupUser("carol", "SERIAL0001");
  ASSERT_TRUE(r.wait_for("del 0"));
  EXPECT_EQ(s->group_users("SERIAL0001").size(), 2u);

  // The server's common error reaches the hook of the request it answers.
  s->answer_with_common_error(kestrune::vifs::VIFS_GET_ALL_USER_REQUEST, -55);
  m.GetAllGroupUser();
  ASSERT_TRUE(r.wait_for("all -55"));
  EXPECT_EQ(m.GetGroupUserCount(), 0);
  s->answer_with_common_error(kestrune::vifs::VIFS_DEL_USER_REQUEST, -56);
  m.DelGroupUser("bob", "SERIAL0001");
  ASSERT_TRUE(r.wait_for("del -56"));
  EXPECT_EQ(s->counters().protocol_errors, 0);
}

TEST_F(ServerTest, ServerCloseIsReportedAndResetsTheSession) {
  nvssim::Config c;
  c.address = "127.0.3.7";
  c.accounts = {account()};
  auto s = start_server(c);
  NVS_Client_Module m;
  Recorder r, r2;
  NotifyGuard guard(m);
  ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.7", c.accounts[0]));
  s->drop_control_connections();
  ASSERT_TRUE(wait_until([&] { return r.count("broken ") == 1; }));
  EXPECT_EQ(m.GetStatus(), 0);
  EXPECT_EQ(m.GetSessionID(), -1);

  // The same module connects and logs in again.
  ASSERT_TRUE(connect_and_login(m, r2, *s, "127.0.3.7", c.accounts[0]));
}

TEST_F(ServerTest, LogoutOnAHealthySessionReportsNothing) {
  nvssim::Config c;
  c.address = "127.0.3.8";
  c.accounts = {account()};
  auto s = start_server(c);
  Recorder r;
  {
    NVS_Client_Module m;
    ASSERT_TRUE(connect_and_login(m, r, *s, "127.0.3.8", c.accounts[0]));
    // A copy shares the connection; both handles may be destroyed.
    NVS_Client_Module copy(m);
    EXPECT_EQ(copy.GetStatus(), 2);
    EXPECT_EQ(m.LogoutServer(), 0);
    EXPECT_EQ(m.GetStatus(), 0);
    EXPECT_EQ(m.LogoutServer(), -1);
  }
  // The notice reaches the server although the connection closes at once.
  ASSERT_TRUE(s->wait_for([](const nvssim::Counters& k) { return k.logout_notices == 1; }, 15000));
  EXPECT_EQ(r.count("broken "), 0);
  EXPECT_EQ(s->counters().protocol_errors, 0);
}

TEST_F(ServerTest, HeartbeatLossThenLogoutReportsBrokenSession) {
  nvssim::Config c;
  c.address = "127.0.3.9";
  c.accounts = {account()};
  auto s = start_server(c);
  Recorder r;
  auto* client = new NVS_SDK_V160::MyNVSClient;
  client->set_heartbeat_timing(kestrune::TimeValue::from_msec(100),
                               kestrune::TimeValue::from_msec(400));
  client->set_notify(&r);
  client->add_reference();  // the connection's reference
  ASSERT_EQ(client->connect(kestrune::inet_address("127.0.3.9"), s->port()), 0);
  ASSERT_TRUE(r.wait_for("connect 0"));
  ASSERT_EQ(client->login("alice", "secret", "SERIAL0001"), 0);
  ASSERT_TRUE(r.wait_for("access 0"));

  // Answered heartbeats keep the session online.
  ASSERT_TRUE(s->wait_for([](const nvssim::Counters& k) { return k.alive_received >= 4; }, 15000));
  EXPECT_TRUE(client->online());

  s->answer_heartbeats(false);
  ASSERT_TRUE(wait_until([&] { return !client->online(); }));
  EXPECT_EQ(client->session_state(), 2);  // a lost heartbeat does not close anything
  EXPECT_EQ(client->logout(), 0);
  EXPECT_TRUE(r.has("broken -202"));
  EXPECT_EQ(r.count("broken "), 1);
  client->remove_reference();
}
