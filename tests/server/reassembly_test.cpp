// Cutting the server's byte stream into messages: split and merged messages,
// the largest message the client accepts and the first one it cannot.
#include "server_test_support.h"

#include "nvssim.h"
#include "wire.h"

using namespace server_test;
using NVS_SDK_V160::NVS_Client_Module;
namespace wire = nvssim::wire;

namespace {

std::vector<uint8_t> notice_14(size_t body_length, uint8_t fill) {
  return wire::message(0, wire::NOTICE_14, 0, 0, std::vector<uint8_t>(body_length, fill));
}

std::vector<uint8_t> flow_control(uint8_t tag) {
  return wire::message(0, wire::FLOW_CONTROL, 0, 0, {tag});
}

std::vector<uint8_t> list_update(uint32_t count) {
  std::vector<uint8_t> body;
  wire::put32(body, count);
  for (uint32_t i = 0; i < count; ++i) {
    wire::put32(body, 500 + i);
    body.resize(body.size() + 134, 0);
  }
  return wire::message(0, wire::LIST_UPDATE, 0, 0, body);
}

class Reassembly : public ServerTest {
protected:
  void SetUp() override {
    ServerTest::SetUp();
    nvssim::Config c;
    c.address = address;
    c.accounts = {account()};
    server = start_server(c);
    ASSERT_TRUE(connect_and_login(module, rec, *server, address, c.accounts[0]));
  }
  void TearDown() override {
    module.RegisterMessageNofity(nullptr);
    module.LogoutServer();
    server.reset();
    ServerTest::TearDown();
  }

  const char* address = "127.0.3.20";
  std::unique_ptr<nvssim::Server> server;
  NVS_Client_Module module;
  Recorder rec;
};

}  // namespace

TEST_F(Reassembly, SplitMessageIsHandledOnceWhenComplete) {
  auto m = list_update(3);
  // Pieces cut inside the header and inside the body, with pauses between.
  server->send_raw({m.begin(), m.begin() + 5});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server->send_raw({m.begin() + 5, m.begin() + 200});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.count("list "), 0);
  server->send_raw({m.begin() + 200, m.end()});
  ASSERT_TRUE(rec.wait_for("list " + std::to_string(3 * 138 + 32)));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(rec.count("list "), 1);
}

TEST_F(Reassembly, MergedMessagesAreHandledInOrder) {
  std::vector<uint8_t> all;
  for (auto part : {list_update(1), notice_14(4, 0x11), flow_control(1), flow_control(2)})
    all.insert(all.end(), part.begin(), part.end());
  server->send_raw(all);
  ASSERT_TRUE(wait_until([&] { return rec.count("flow") == 2; }));
  auto ev = rec.events();
  ASSERT_GE(ev.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(ev.end() - 4, ev.end()),
            (std::vector<std::string>{"list 170", "notice14", "flow", "flow"}));
  EXPECT_EQ(rec.locked([&] { return rec.flow[18]; }), 2);
}

TEST_F(Reassembly, LargestMessageIsAcceptedEvenWithTheNextOneBehindIt) {
  // 128000 bytes in all, followed at once by another message.
  auto big = notice_14(128000 - 18, 0x5A);
  auto next = flow_control(7);
  big.insert(big.end(), next.begin(), next.end());
  server->send_raw(big);
  ASSERT_TRUE(rec.wait_for("flow"));
  EXPECT_TRUE(rec.has("notice14"));
  EXPECT_EQ(rec.locked([&] { return rec.notice; }), (Bytes{0x5A, 0x5A, 0x5A, 0x5A}));
  EXPECT_EQ(module.GetStatus(), 2);
  EXPECT_EQ(rec.count("broken "), 0);
}

TEST_F(Reassembly, OneByteMoreClosesWithBufferOverflow) {
  LogCapture log;
  server->send_raw(notice_14(128000 - 18 + 1, 0x5A));
  ASSERT_TRUE(wait_until([&] { return rec.count("broken ") == 1; }));
  EXPECT_FALSE(rec.has("notice14"));
  EXPECT_TRUE(LogCapture::contains("[NVDVIFsClient][ERROR]Buffer Over Flow."));
  EXPECT_TRUE(LogCapture::contains("Some thing other Error."));
  EXPECT_EQ(module.GetStatus(), 0);
}

TEST_F(Reassembly, RepliesShorterThanTheirFixedFieldsAreDropped) {
  server->send_raw(list_update(1));
  ASSERT_TRUE(rec.wait_for("list 170"));
  // A list without its count, answers without their result: nothing may be
  // read from bytes the message does not carry.
  std::vector<uint8_t> all;
  for (auto part : {wire::message(0, wire::LIST_UPDATE, 0, 0, {1, 0}),
                    wire::message(0, wire::ADD_USER_RESP, 0, 0, {}),
                    wire::message(0, wire::DEL_USER_RESP, 0, 0, {9, 9, 9}),
                    wire::message(0, wire::GET_ALL_USER_RESP, 0, 0, {1}), flow_control(3)})
    all.insert(all.end(), part.begin(), part.end());
  server->send_raw(all);
  ASSERT_TRUE(rec.wait_for("flow"));
  EXPECT_EQ(rec.count("list "), 1);
  EXPECT_EQ(rec.count("add "), 0);
  EXPECT_EQ(rec.count("del "), 0);
  EXPECT_EQ(rec.count("all "), 0);
  EXPECT_EQ(module.GetStatus(), 2);
}
