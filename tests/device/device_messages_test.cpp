// Byte images of every request the library builds, against hand-written
// arrays (little-endian, packed).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "device/device_messages.h"

using namespace kestrune;
using Bytes = std::vector<unsigned char>;

namespace {

template <class T>
Bytes image(const T& msg) {
  const auto* p = reinterpret_cast<const unsigned char*>(&msg);
  return Bytes(p, p + sizeof msg);
}

// 32-byte name field holding text.
Bytes name32(const char* text) {
  Bytes b(32, 0);
  std::memcpy(b.data(), text, std::strlen(text));
  return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const unsigned char kSecret[16] = {'s', 'e', 'c', 'r', 'e', 't'};

}  // namespace

TEST(DeviceMessages, LoginCarriesChallengeDigestAndRandoms) {
  const LoginMessage msg = make_login(123456, kSecret, 0x11223344, 0x55667788);
  const Bytes want = cat({
      {70, 0, 0, 0, 10, 0},
      Bytes(16, 0),
      {0x44, 0x33, 0x22, 0x11},
      // MD5("123456" + 10 NUL, "secret" + 10 NUL)
      {0xa2, 0x6b, 0xaf, 0x9c, 0xc1, 0xc1, 0xdb, 0x61, 0xd7, 0xb6, 0xd4, 0x43, 0x90, 0x9b, 0xa9, 0x5f},
      {0x88, 0x77, 0x66, 0x55},
      {0x40, 0xe2, 0x01, 0x00},  // 123456
      {0, 0, 0, 0},
      Bytes(16, 0),
  });
  EXPECT_EQ(image(msg), want);

  // The first login answers challenge 0 with the digest of "0".
  const LoginMessage first = make_login(0, kSecret, 1, 2);
  const Bytes digest0 = {0x4d, 0xdf, 0x17, 0x46, 0x25, 0x38, 0x25, 0xa7,
                         0x07, 0xd6, 0x6c, 0x59, 0xfa, 0x41, 0xd6, 0x73};
  EXPECT_EQ(Bytes(first.digest, first.digest + 16), digest0);
  EXPECT_EQ(+first.challenge, 0u);

  // Negative challenges are written with their sign.
  const unsigned char empty[16] = {};
  unsigned char d[16];
  login_digest(-5, empty, d);
  const Bytes digest_neg = {0x6a, 0x70, 0xe8, 0x99, 0xa6, 0xe4, 0x3f, 0xab,
                            0xcb, 0xe3, 0x0b, 0x60, 0x46, 0x48, 0xe2, 0x67};
  EXPECT_EQ(Bytes(d, d + 16), digest_neg);
}

TEST(DeviceMessages, CatalogueRequests) {
  EXPECT_EQ(image(make_header(MSG_RECORD_STATISTIC)), (Bytes{6, 0, 0, 0, 81, 0}));
  EXPECT_EQ(image(make_header(MSG_WARNING_RECORD_STATISTIC)), (Bytes{6, 0, 0, 0, 111, 0}));
  EXPECT_EQ(image(make_record_list_request(0x0102, 1000)),
            (Bytes{14, 0, 0, 0, 82, 0, 1, 0, 0x02, 0x01, 0xe8, 0x03, 20, 0}));
  EXPECT_EQ(image(make_record_list_request(0, 0)),
            (Bytes{14, 0, 0, 0, 82, 0, 1, 0, 0, 0, 0, 0, 20, 0}));
  EXPECT_EQ(image(make_warning_list_request(5, 7)),
            (Bytes{14, 0, 0, 0, 112, 0, 1, 0, 5, 0, 7, 0, 40, 0}));
  EXPECT_EQ(image(make_record_delete_header(1)), (Bytes{58, 0, 0, 0, 96, 0, 1, 0, 0, 0}));
  EXPECT_EQ(image(make_record_delete_header(0)), (Bytes{10, 0, 0, 0, 96, 0, 0, 0, 0, 0}));
}

TEST(DeviceMessages, DownloadRequestAndControls) {
  const Bytes request = cat({
      {58, 0, 0, 0, 86, 0},
      {7, 0, 0, 0},
      name32("REC_00001.avi"),
      {0xEF, 0xBE, 0xAD, 0xDE},
      {0x00, 0x00, 0x02, 0x00},  // offset 131072
      {0x00, 0x00, 0x02, 0x00},  // length 131072
      {0, 0, 0x00, 0x08},        // 0, 2048
  });
  EXPECT_EQ(image(make_download_request(7, "REC_00001.avi", 0xDEADBEEF, 0x20000, 0x20000)), request);

  const Bytes pause = cat({{50, 0, 0, 0, 89, 0}, {0x34, 0x12, 0, 0}, {7, 0, 0, 0}, name32("a.avi"), {9, 0, 0, 0}});
  EXPECT_EQ(image(make_download_control(MSG_DOWNLOAD_PAUSE, 0x1234, 7, "a.avi", 9)), pause);
  Bytes cancel = pause;
  cancel[4] = 88;
  EXPECT_EQ(image(make_download_control(MSG_DOWNLOAD_CANCEL, 0x1234, 7, "a.avi", 9)), cancel);

  const Bytes resume = cat({{58, 0, 0, 0, 90, 0},
                            {0x34, 0x12, 0, 0},
                            {7, 0, 0, 0},
                            {0x10, 0, 0, 0},
                            {0x20, 0, 0, 0},
                            name32("a.avi"),
                            {9, 0, 0, 0}});
  EXPECT_EQ(image(make_download_resume(0x1234, 7, 0x10, 0x20, "a.avi", 9)), resume);

  // A 32-byte name without a terminator is cut to 31 bytes.
  char full[32];
  std::memset(full, 'x', sizeof full);
  const DownloadRequest cut = make_download_request(1, full, 0, 0, 0);
  EXPECT_EQ(cut.file_name[30], 'x');
  EXPECT_EQ(cut.file_name[31], 0);
}

TEST(DeviceMessages, RemotePlayAndControl) {
  const NVS_SDK_V160::REC_PLAY_PARAM param = {{1, 2, 3, 0x01020304}};
  const Bytes params = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 3, 2, 1};
  EXPECT_EQ(image(make_remote_play(5, "p.avi", 77, param)),
            cat({{62, 0, 0, 0, 115, 0}, {5, 0, 0, 0}, name32("p.avi"), {77, 0, 0, 0}, params}));
  EXPECT_EQ(image(make_remote_play_ctrl(0xAABBCCDD, 5, "p.avi", 77, 2, param)),
            cat({{70, 0, 0, 0, 117, 0},
                 {0xDD, 0xCC, 0xBB, 0xAA},
                 {5, 0, 0, 0},
                 name32("p.avi"),
                 {77, 0, 0, 0},
                 {2, 0, 0, 0},
                 params}));
}

TEST(DeviceMessages, RecordingControl) {
  EXPECT_EQ(image(make_record_start(300)),
            (Bytes{22, 0, 0, 0, 71, 0, 0, 1, 1, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0x2c, 0x01, 0, 0}));
  EXPECT_EQ(image(make_record_stop(0x01020304)), (Bytes{10, 0, 0, 0, 73, 0, 4, 3, 2, 1}));
  EXPECT_EQ(image(make_record_delay(0x01020304, 60)),
            (Bytes{14, 0, 0, 0, 74, 0, 4, 3, 2, 1, 60, 0, 0, 0}));
}

TEST(DeviceMessages, VideoSettingsWordMapping) {
  EXPECT_EQ(image(make_video_settings_request()),
            (Bytes{18, 0, 0, 0, 108, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const NVS_SDK_V160::MEDIA_CONFIG config = {{0x0A0B, 0x1112, 0x2122, 0x3132, 0x4142}};
  // w0 = 2, w1 = offset 8, w2 = offset 2, w3 = offset 4, w4 = offset 0, w5 = offset 6
  EXPECT_EQ(image(make_video_settings_set(config)),
            (Bytes{18, 0, 0, 0, 107, 0, 2, 0, 0x42, 0x41, 0x12, 0x11, 0x22, 0x21, 0x0B, 0x0A, 0x32, 0x31}));
  // The report's three u32 words read back through the same mapping.
  const VideoSettingsMessage set = make_video_settings_set(config);
  std::uint32_t words[3];
  std::memcpy(words, set.word, sizeof words);
  const NVS_SDK_V160::MEDIA_CONFIG back = media_config_from_words(words);
  EXPECT_EQ(0, std::memcmp(&back, &config, sizeof config));
}

TEST(DeviceMessages, TalkAudioFrame) {
  const unsigned char pcm[3] = {0xA1, 0xA2, 0xA3};
  unsigned char out[20 + kMaxTalkAudio];
  ASSERT_EQ(make_audio_frame(pcm, 3, 0x01020304, out), 23);
  EXPECT_EQ(Bytes(out, out + 23), (Bytes{23, 0, 0, 0, 1, 0, 0x27, 0x01, 0, 0, 0, 0, 4, 3, 2, 1,
                                         0, 0, 0, 0, 0xA1, 0xA2, 0xA3}));
  EXPECT_EQ(make_audio_frame(pcm, 0, 0, out), 20);
  std::vector<unsigned char> big(kMaxTalkAudio + 1);
  EXPECT_EQ(make_audio_frame(big.data(), kMaxTalkAudio, 0, out), 20 + kMaxTalkAudio);
  EXPECT_EQ(make_audio_frame(big.data(), kMaxTalkAudio + 1, 0, out), -1);
  EXPECT_EQ(make_audio_frame(pcm, -1, 0, out), -1);
}

TEST(DeviceMessages, PtzSerialFrames) {
  const Bytes serial = {37, 0, 0, 0, 18, 0, 0x60, 0x09, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0,
                        101, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  const struct {
    int command;
    Bytes frame;
  } cases[] = {
      {51, {0xFF, 0x01, 0x00, 0x08, 0x30, 0x30, 0x69}},
      {52, {0xFF, 0x01, 0x00, 0x10, 0x30, 0x30, 0x71}},
      {53, {0xFF, 0x01, 0x00, 0x04, 0x30, 0x30, 0x65}},
      {54, {0xFF, 0x01, 0x00, 0x02, 0x30, 0x30, 0x63}},
      {69, {0xFF, 0x01, 0x90, 0x00, 0x00, 0x00, 0x91}},
      {70, {0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}},
  };
  for (const auto& c : cases) {
    PtzSerialMessage msg;
    ASSERT_TRUE(make_ptz_serial(c.command, &msg)) << c.command;
    EXPECT_EQ(image(msg), cat({serial, c.frame})) << c.command;
  }
  PtzSerialMessage msg;
  EXPECT_FALSE(make_ptz_serial(60, &msg));
  EXPECT_FALSE(make_ptz_serial(0, &msg));
}
