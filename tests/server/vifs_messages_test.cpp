// Byte images of every request the server client builds, and both login
// digests against values computed outside this code base.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "server/login_digest.h"
#include "server/relay_messages.h"
#include "server/vifs_protocol.h"

using namespace kestrune::vifs;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes hex(const char* text) {
  Bytes out;
  for (const char* p = text; *p;) {
    if (*p == ' ') { ++p; continue; }
    unsigned v = 0;
    std::sscanf(p, "%2x", &v);
    out.push_back(static_cast<unsigned char>(v));
    p += 2;
  }
  return out;
}

// A text field of the given width: the text, then zeros.
Bytes field(const std::string& text, size_t width) {
  Bytes b(text.begin(), text.end());
  b.resize(width, 0);
  return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes built(const unsigned char* data, int length) { return Bytes(data, data + length); }

std::string to_hex(const unsigned char* d, int n) {
  std::string s;
  char b[3];
  for (int i = 0; i < n; ++i) std::snprintf(b, sizeof b, "%02x", d[i]), s += b;
  return s;
}

}  // namespace

TEST(VifsMessages, LoginStepsAndSessionlessHeaders) {
  unsigned char m[128];
  // format 2, pairing 1, id 3, body 60, txn 0x1234, session -1
  int n = build_login_request_1(m, "SERIAL0001", "alice", 0x1234);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 0300 3c000000 34120000 ffffffff"),
                              field("SERIAL0001", 32), field("alice", 28)}));

  const unsigned char digest[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  n = build_login_request_2(m, digest, 7);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 0500 10000000 07000000 ffffffff"),
                              hex("000102030405060708090a0b0c0d0e0f")}));
}

TEST(VifsMessages, LoginNamesAreCutToTheirFields) {
  unsigned char m[128];
  std::string group(40, 'G'), user(30, 'u');
  int n = build_login_request_1(m, group.c_str(), user.c_str(), 1);
  ASSERT_EQ(n, 78);
  EXPECT_EQ(built(m + 18, 32), field(std::string(31, 'G'), 32));
  EXPECT_EQ(built(m + 50, 28), field(std::string(27, 'u'), 28));
}

TEST(VifsMessages, HeaderOnlyRequestsCarryTheSession) {
  unsigned char m[32];
  int n = build_nvt_list_request(m, 0x10, 0x01020304);
  EXPECT_EQ(built(m, n), hex("0200 0100 0700 00000000 10000000 04030201"));
  n = build_alive(m, 0x7fff, 0x01020304);
  EXPECT_EQ(built(m, n), hex("0200 0100 1100 00000000 ff7f0000 04030201"));
  n = build_logout_notice(m, 5, 0x01020304);
  EXPECT_EQ(built(m, n), hex("0200 0010 0000 00000000 05000000 04030201"));
}

TEST(VifsMessages, RelayKeyRequestTakesTheTwoCameraWords) {
  unsigned char info[138];
  for (int i = 0; i < 138; ++i) info[i] = static_cast<unsigned char>(i);
  unsigned char m[32];
  int n = build_relay_key_request(m, info, 9, 0x55);
  EXPECT_EQ(built(m, n), hex("0200 0100 0b00 08000000 09000000 55000000"
                             "00010203 62636465"));
}

TEST(VifsMessages, GroupUserRequests) {
  unsigned char m[256];
  int n = build_get_all_user_request(m, std::string(40, 'S').c_str(), 1, 2);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 1200 20000000 01000000 02000000"),
                              field(std::string(31, 'S'), 32)}));
  EXPECT_EQ(n, 50);

  n = build_del_user_request(m, std::string(30, 'd').c_str(), "GROUP", 3, 4);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 1600 38000000 03000000 04000000"),
                              field(std::string(23, 'd'), 24), field("GROUP", 32)}));
  EXPECT_EQ(n, 74);

  unsigned char user[108];
  for (int i = 0; i < 108; ++i) user[i] = static_cast<unsigned char>(0xA0 + i);
  n = build_add_user_request(m, user, 5, 6);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 1400 6c000000 05000000 06000000"), built(user, 108)}));
  n = build_update_user_request(m, user, 5, 6);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 1800 6c000000 05000000 06000000"), built(user, 108)}));
}

TEST(VifsMessages, StampRequestAndAnswer) {
  unsigned char key[48];
  for (int i = 0; i < 48; ++i) key[i] = static_cast<unsigned char>(0x30 + i);
  unsigned char m[kStampRequestSize];
  int n = build_stamp_request(m, 0x00000102, std::string(26, 'n').c_str(), key, 0x20);
  EXPECT_EQ(built(m, n), cat({hex("0200 0100 0900 4c000000 20000000 ffffffff 02010000"),
                              field(std::string(23, 'n'), 24), built(key, 48)}));
  EXPECT_EQ(n, 94);

  Bytes answer = hex("0200 0100 0a00 08000000 20000000 ffffffff 00000000 2a000000");
  std::int32_t result = -9, session = -9;
  EXPECT_EQ(parse_stamp_response(answer.data(), static_cast<int>(answer.size()), &result, &session), 1);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(session, 42);
  Bytes other = hex("0200 0100 1100 00000000 20000000 ffffffff");
  EXPECT_EQ(parse_stamp_response(other.data(), 18, &result, &session), 0);
  Bytes shortened = hex("0200 0100 0a00 04000000 20000000 ffffffff 00000000");
  EXPECT_EQ(parse_stamp_response(shortened.data(), 22, &result, &session), -1);
}

TEST(VifsMessages, CuttingAStream) {
  Bytes two = cat({hex("0200 0100 1100 02000000 01000000 ffffffff abcd"),
                   hex("0200 0100 1100 00000000")});
  int whole = 0;
  EXPECT_EQ(cut_message(two.data(), 17, &whole), 0);
  EXPECT_EQ(cut_message(two.data(), 19, &whole), 0);
  EXPECT_EQ(cut_message(two.data(), static_cast<int>(two.size()), &whole), 1);
  EXPECT_EQ(whole, 20);
  Bytes huge = hex("0200 0100 1100 f0ffff7f 01000000 ffffffff");
  EXPECT_EQ(cut_message(huge.data(), 18, &whole), -1);
}

TEST(LoginDigest, BothBranchesMatchIndependentValues) {
  unsigned char d[16];
  // MD5(challenge LE || SHA-1(password))
  login_digest("alice", "secret", 0x12345678, d);
  EXPECT_EQ(to_hex(d, 16), "98d10f6bb3dbfb78acefa2f48fdb7c36");
  // The reserved name differs only in case: still the SHA-1 branch, whole password.
  login_digest("Vomul", "0123456789abcdefXYZ", 0x80000001, d);
  EXPECT_EQ(to_hex(d, 16), "7f774dfc9d6706f4f754950c38ad28c1");
  // Reserved account: "-2147483647" zero-padded to 16, then 16 password bytes.
  login_digest("vomul", "0123456789abcdefXYZ", 0x80000001, d);
  EXPECT_EQ(to_hex(d, 16), "fdd7164644f76fb03db38ba77d4a349f");
  login_digest("vomul", "0123456789abcdef", 0x80000001, d);
  EXPECT_EQ(to_hex(d, 16), "fdd7164644f76fb03db38ba77d4a349f");
  login_digest("vomul", "pw", 1234, d);
  EXPECT_EQ(to_hex(d, 16), "c4234dd58a1df02042a7af3a71001d3e");
}

TEST(VifsMessages, StampAnswerTakenFromTheRelayStream) {
  // A stray heartbeat, the answer in two reads, then the camera's first bytes.
  Bytes stream = cat({hex("0200 0100 1100 00000000 01000000 ffffffff"),
                      hex("0200 0100 0a00 08000000 02000000 ffffffff 00000000 07000000"),
                      hex("aabbccdd")});
  unsigned char buffer[kMaxMessage];
  int fill = 0;
  std::int32_t result = -9, session = -9;
  std::memcpy(buffer, stream.data(), 30);
  fill = 30;
  EXPECT_EQ(take_stamp_answer(buffer, &fill, &result, &session), 0);
  EXPECT_EQ(fill, 12);  // the heartbeat is dropped, the half answer kept
  std::memcpy(buffer + fill, stream.data() + 30, stream.size() - 30);
  fill += static_cast<int>(stream.size() - 30);
  EXPECT_EQ(take_stamp_answer(buffer, &fill, &result, &session), 1);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(session, 7);
  EXPECT_EQ(built(buffer, fill), hex("aabbccdd"));

  Bytes too_long = hex("0200 0100 0a00 ffff0100 02000000 ffffffff");
  std::memcpy(buffer, too_long.data(), too_long.size());
  fill = 18;
  EXPECT_EQ(take_stamp_answer(buffer, &fill, &result, &session), -1);
}

TEST(VifsMessages, RelayTicketRecordReadsTheWireImage) {
  // first word 7, key bytes 0x10.., relay at 192.0.2.9 port 0x1234.
  Bytes image(58, 0);
  image[0] = 7;
  for (int i = 0; i < 48; ++i) image[4 + i] = static_cast<unsigned char>(0x10 + i);
  const unsigned char address[4] = {192, 0, 2, 9};
  std::memcpy(&image[52], address, 4);
  image[56] = 0x34;
  image[57] = 0x12;
  NVS_SDK_V160::RELAY_TICKET t;
  ASSERT_EQ(sizeof t, image.size());
  std::memcpy(&t, image.data(), sizeof t);
  EXPECT_EQ(t.first_word, 7u);
  EXPECT_EQ(t.relay_key[0], 0x10);
  EXPECT_EQ(t.relay_key[47], 0x10 + 47);
  EXPECT_EQ(Bytes(t.address, t.address + 4), Bytes(address, address + 4));
  EXPECT_EQ(t.port, 0x1234);
}
