// Pieces of the command line that are easiest to check on their own: the
// control socket's framing against malformed requests, the live state a
// running program answers with, display widths of wide characters, camera id
// spellings and interval names.
#include <gtest/gtest.h>

#include <QJsonDocument>

#include "cli_input.h"
#include "control_channel.h"
#include "live_snapshot.h"
#include "terminal.h"

namespace velmora {
namespace {

TEST(ControlFraming, RequestsAndRepliesRoundTripAndMalformedOnesAreRefused) {
  std::vector<std::string> words;
  ASSERT_TRUE(decode_request(encode_request({"cameras", "add-local", "", "pw with space"}), words));
  EXPECT_EQ(words, (std::vector<std::string>{"cameras", "add-local", "", "pw with space"}));
  EXPECT_FALSE(decode_request(QByteArray("no terminator"), words));
  EXPECT_FALSE(decode_request(QByteArray(), words));
  EXPECT_FALSE(decode_request(QByteArray(200, '\0'), words));  // more words than any command

  Reply r{3, "out\n", "err\n"}, back;
  ASSERT_TRUE(decode_reply(encode_reply(r), back));
  EXPECT_EQ(back.code, 3);
  EXPECT_EQ(back.out, "out\n");
  EXPECT_EQ(back.err, "err\n");
  QByteArray lying = encode_reply(r);
  lying[4] = '\x7f';  // an output length past the body
  EXPECT_FALSE(decode_reply(lying, back));
  EXPECT_FALSE(decode_reply(QByteArray(7, '\0'), back));
}

// The live state comes from another process: numbers it cannot mean are
// clamped, and a speed is only as old as its window.
TEST(LiveState, HostileValuesAreClampedAndAStalledTransferHasNoSpeed) {
  LiveCamera c;
  const QJsonObject hostile = QJsonDocument::fromJson(
      R"({"id":7,"state":"syncing","percent":1e300,"done":-4,"file_bytes":-1,)"
      R"("speed":"fast","eta":-99,"next_retry":1e30,"failed_runs":3e9})").object();
  ASSERT_TRUE(live_from_json(hostile, c));
  EXPECT_EQ(c.camera_id, 7);
  EXPECT_EQ(c.percent, 0);
  EXPECT_EQ(c.done, 0);
  EXPECT_EQ(c.file_bytes, 0u);
  EXPECT_EQ(c.speed, 0u);
  EXPECT_EQ(c.eta, -1);
  EXPECT_EQ(c.next_retry, 0);
  EXPECT_EQ(c.failed_runs, 0);
  EXPECT_FALSE(live_from_json(QJsonObject{{"state", "idle"}}, c));  // no id

  RateWindow rate(1000);
  rate.add(0, 0);
  rate.add(500, 50000);
  rate.add(1000, 100000);
  EXPECT_EQ(rate.bytes_per_second(1000), 100000u);
  EXPECT_EQ(rate.bytes_per_second(2500), 0u);  // nothing for a whole window
  rate.add(3000, 10);                          // a new run's count starts again
  EXPECT_EQ(rate.bytes_per_second(3000), 0u);
}

TEST(TerminalText, WideCharactersTakeTwoColumnsAndAreNeverSplit) {
  const std::string alias = "\xe5\x89\x8d\xe9\x97\xa8 door";  // two CJK characters, then ASCII
  EXPECT_EQ(display_width(alias), 9);
  EXPECT_EQ(cut_to_width(alias, 3), "\xe5\x89\x8d");  // the second would need columns 3-4
  EXPECT_EQ(cut_to_width(alias, 4), "\xe5\x89\x8d\xe9\x97\xa8");
  EXPECT_EQ(cut_to_width("abc", 10), "abc");
  EXPECT_EQ(cut_to_width("\xe5\x89", 5), "\xe5\x89");  // a cut-off character counts per byte
}

TEST(CommandInput, CameraIdsInBothSpellingsAndIntervalNames) {
  std::int32_t id = 0;
  EXPECT_TRUE(parse_camera_id("4294967295", id));
  EXPECT_EQ(id, -1);
  EXPECT_TRUE(parse_camera_id("-2147483648", id));
  EXPECT_EQ(id, INT32_MIN);
  EXPECT_TRUE(parse_camera_id("2147483648", id));
  EXPECT_EQ(id, INT32_MIN);
  for (const char* bad : {"", "-", "4294967296", "-2147483649", "12a", "+5", " 5", "0x10"})
    EXPECT_FALSE(parse_camera_id(bad, id)) << bad;
  std::int32_t code = -1;
  EXPECT_TRUE(parse_interval("12h", code));
  EXPECT_EQ(code, 6);
  EXPECT_TRUE(parse_interval("0", code));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(parse_interval("9", code));
  EXPECT_FALSE(parse_interval("1H", code));
  EXPECT_STREQ(interval_name(7), "1d");
}

TEST(CommandInput, ByteSizesAndDaysAreWholeNonNegativeNumbers) {
  std::int64_t bytes = -1;
  const std::int64_t max = std::int64_t{1} << 50;
  const std::pair<const char*, std::int64_t> good[] = {
      {"0", 0}, {"4096", 4096}, {"2G", std::int64_t{2} << 30}, {"500M", 500ll << 20},
      {"500m", 500ll << 20}, {"3KiB", 3072}, {"1tb", std::int64_t{1} << 40}, {"7B", 7}};
  for (const auto& [text, want] : good) {
    EXPECT_TRUE(parse_byte_size(text, max, bytes)) << text;
    EXPECT_EQ(bytes, want) << text;
  }
  for (const char* bad : {"", "-1", "-1G", "1.5G", "G", "2X", "2 G", "2GG", "1025T", "99999999999999999999"})
    EXPECT_FALSE(parse_byte_size(bad, max, bytes)) << bad;
  EXPECT_EQ(byte_size_text(std::int64_t{1} << 30), "1G");
  EXPECT_EQ(byte_size_text(1536ll << 10), "1536K");
  EXPECT_EQ(byte_size_text(1000), "1000");
  EXPECT_EQ(byte_size_text(0), "0");
  std::int32_t days = -1;
  EXPECT_TRUE(parse_days("30", 36500, days));
  EXPECT_EQ(days, 30);
  for (const char* bad : {"", "-3", "+3", "3d", "36501", "1e3"})
    EXPECT_FALSE(parse_days(bad, 36500, days)) << bad;
}

}  // namespace
}  // namespace velmora
