// The recording reader, the RTP header class and the key-entry test, on
// files made by the test writer and on hand-written byte images.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "file_byte_source.h"
#include "filter_test_support.h"
#include "key_entry.h"
#include "simple_rtp.h"
#include "zrv_file_reader.h"
#include "zrv_writer.h"

using namespace pellaquin;
using zrvgen::Bytes;

namespace {

int OpenReader(CZRVFileReader* reader, const std::string& path) {
  return reader->Open(FileByteSource::Open(path));
}

void WriteRaw(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

void Le32(Bytes* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->push_back(uint8_t(v >> (8 * i)));
}

void Append(Bytes* b, const Bytes& more) { b->insert(b->end(), more.begin(), more.end()); }

// A segment header: next offset, entry count, the rest zero.
void SegmentHeader(Bytes* b, uint32_t next, uint32_t count) {
  Le32(b, next);
  b->resize(b->size() + 28, 0);
  Le32(b, count);
  b->resize(b->size() + 8, 0);
}

// The access mode this process holds path open with, or -1.
int OpenMode(const std::string& path) {
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (std::filesystem::read_symlink(fd.path(), ec) != path) continue;
    std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
    std::string key;
    while (info >> key) {
      if (key == "flags:") {
        std::string octal;
        info >> octal;
        return static_cast<int>(std::stol(octal, nullptr, 8)) & O_ACCMODE;
      }
    }
  }
  return -1;
}

}  // namespace

TEST(ZrvFormat, RecordOffsetsMatchAHandWrittenFile) {
  // One segment at offset 20 with two entries; data of entry 1 at offset 100.
  Bytes img;
  Le32(&img, 0xAAAAAAAA);  // not read
  Le32(&img, 0xBBBBBBBB);  // not read
  Le32(&img, 1);           // segment count
  Le32(&img, 20);          // first segment
  Le32(&img, 0);           // padding up to 20
  Le32(&img, 0);           // +0 next segment
  for (int i = 0; i < 7; ++i) Le32(&img, 0xCCCCCCCC);  // +4..31 not read
  Le32(&img, 2);           // +32 entry count
  Le32(&img, 0xDDDDDDDD);
  Le32(&img, 0xDDDDDDDD);  // +36..43 not read
  Le32(&img, 80);  Le32(&img, 14);   // entry 0: offset, length
  Le32(&img, 100); Le32(&img, 13);   // entry 1
  ASSERT_EQ(img.size(), 80u);
  Bytes e0 = zrvgen::RtpPacket(5, false, {0xE0, 0xE1}, 96, 1);
  img.insert(img.end(), e0.begin(), e0.end());
  img.resize(100, 0);
  Bytes e1 = zrvgen::RtpPacket(6, true, {0xF1}, 96, 2);
  img.insert(img.end(), e1.begin(), e1.end());
  TempDir dir;
  WriteRaw(dir.Path("hand.zrv"), img);

  CZRVFileReader r;
  ASSERT_EQ(OpenReader(&r, dir.Path("hand.zrv")), 0);
  EXPECT_EQ(r.file_size(), 113);
  EXPECT_EQ(r.GetSegmentOffset(0), 20);
  EXPECT_EQ(r.GetEntryCount(0), 2);
  uint8_t buf[64];
  ASSERT_EQ(r.ReadEntry(1, 0, buf, sizeof buf), 13);
  EXPECT_EQ(buf[12], 0xF1);
  ASSERT_EQ(r.ReadEntry(0, 0, buf, sizeof buf), 14);
  EXPECT_EQ(buf[13], 0xE1);
  EXPECT_EQ(r.ReadEntryPrefix(0, 0, buf, 3), 3);
  EXPECT_EQ(r.ReadEntry(2, 0, buf, sizeof buf), -1);
  EXPECT_EQ(r.ReadEntry(-1, 0, buf, sizeof buf), -1);
  EXPECT_EQ(r.GetSegmentOffset(1), -1);
  EXPECT_EQ(r.GetEntryCount(1), -1);
}

TEST(ZrvReader, RefusesBadHeaders) {
  TempDir dir;
  for (auto [count, first] : {std::pair<uint32_t, uint32_t>{0, 20}, {1, 16}, {1, 0}, {1, 9999}}) {
    Bytes img;
    Le32(&img, 0); Le32(&img, 0); Le32(&img, count); Le32(&img, first);
    img.resize(120, 0);
    WriteRaw(dir.Path("bad.zrv"), img);
    CZRVFileReader r;
    EXPECT_LT(OpenReader(&r, dir.Path("bad.zrv")), 0) << count << " " << first;
  }
  WriteRaw(dir.Path("short.zrv"), Bytes(10, 0));
  CZRVFileReader r;
  EXPECT_LT(OpenReader(&r, dir.Path("short.zrv")), 0);
  EXPECT_LT(r.Open(nullptr), 0);
  uint8_t b[4];
  r.Close();
  EXPECT_EQ(r.ReadEntry(0, 0, b, 4), -1);
  EXPECT_EQ(r.GetSegmentOffset(0), -1);
}

TEST(ZrvReader, CountsInTheFileAreBoundedByWhatItHolds) {
  TempDir dir;
  const Bytes key = zrvgen::RtpPacket(1000, true, {0, 0, 0, 1, 0x67});
  // 89 bytes: 2^32-1 segments claimed, and the only segment's next offset
  // is itself.
  Bytes loop;
  Le32(&loop, 0x0056525A); Le32(&loop, 1); Le32(&loop, 0xFFFFFFFF); Le32(&loop, 20);
  Le32(&loop, 0);
  SegmentHeader(&loop, 20, 1);
  Le32(&loop, 72); Le32(&loop, 17);
  Append(&loop, key);
  ASSERT_EQ(loop.size(), 89u);
  WriteRaw(dir.Path("loop.zrv"), loop);
  int result = 0;
  double ms = MillisecondsToFinish("opening the self-looping chain", [&] {
    CZRVFileReader r;
    result = OpenReader(&r, dir.Path("loop.zrv"));
  });
  EXPECT_LT(result, 0);
  std::printf("self-looping chain refused in %.3f ms\n", ms);
  // Two segments claimed: the second would be the first again.
  loop[8] = 2;
  loop[9] = loop[10] = loop[11] = 0;
  WriteRaw(dir.Path("loop2.zrv"), loop);
  CZRVFileReader r2;
  EXPECT_LT(OpenReader(&r2, dir.Path("loop2.zrv")), 0);

  // 2^31-1 entries claimed, three in the file.
  Bytes many;
  Le32(&many, 0); Le32(&many, 0); Le32(&many, 1); Le32(&many, 16 + 3 * 17);
  for (uint32_t t : {1000u, 1100u, 1200u}) Append(&many, zrvgen::RtpPacket(t, true, {0, 0, 0, 1, 0x41}));
  SegmentHeader(&many, 0, 0x7FFFFFFF);
  for (uint32_t e = 0; e < 3; ++e) { Le32(&many, 16 + 17 * e); Le32(&many, 17); }
  WriteRaw(dir.Path("many.zrv"), many);
  CZRVFileReader r3;
  ASSERT_EQ(OpenReader(&r3, dir.Path("many.zrv")), 0);
  EXPECT_EQ(r3.GetEntryCount(0), 3);
  uint8_t buf[64];
  EXPECT_EQ(r3.ReadEntry(2, 0, buf, sizeof buf), 17);
  EXPECT_EQ(r3.ReadEntry(3, 0, buf, sizeof buf), -1);

  // A generated recording whose header claims 65536 segments.
  zrvgen::Options o;
  o.claimed_segments = 65536;
  ASSERT_TRUE(zrvgen::WriteRecording(dir.Path("claims.zrv"), SyntheticPictures(10, 5), o, nullptr));
  CZRVFileReader r4;
  EXPECT_LT(OpenReader(&r4, dir.Path("claims.zrv")), 0);
}

TEST(ZrvReader, OpensRegularFilesReadOnlyAndNothingElse) {
  TempDir dir;
  std::string path = dir.Path("a.zrv");
  ASSERT_TRUE(zrvgen::WriteRecording(path, SyntheticPictures(4, 2), {}, nullptr));
  {
    auto file = FileByteSource::Open(path);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(OpenMode(path), O_RDONLY);
  }
  // A FIFO named like a recording, with or without write permission: refused
  // at once, not waited on for a writer.
  std::string fifo = dir.Path("fifo.zrv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0444), 0);
  bool opened = true;
  MillisecondsToFinish("opening a FIFO", [&] { opened = FileByteSource::Open(fifo) != nullptr; });
  EXPECT_FALSE(opened);
  EXPECT_EQ(FileByteSource::Open(dir.path()), nullptr);  // a folder
}

TEST(ZrvReader, SegmentChainAndEntriesOfAGeneratedFile) {
  TempDir dir;
  auto pictures = SyntheticPictures(20, 5);
  zrvgen::Options o;
  o.segments = 2;
  std::string err;
  ASSERT_TRUE(zrvgen::WriteRecording(dir.Path("a.zrv"), pictures, o, &err)) << err;
  CZRVFileReader r;
  ASSERT_EQ(OpenReader(&r, dir.Path("a.zrv")), 0);
  EXPECT_EQ(r.SegmentCount(), 2);
  int64_t video = r.GetEntryCount(0);
  auto expected = zrvgen::PacketizeVideo(pictures, o);
  ASSERT_EQ(video, static_cast<int64_t>(expected.size()));
  EXPECT_EQ(r.GetEntryCount(1), 100);  // 2 s of 20 ms packets
  std::vector<uint8_t> buf(4096);
  for (int e = 0; e < video; ++e) {
    int n = r.ReadEntry(e, 0, buf.data(), static_cast<int>(buf.size()));
    ASSERT_EQ(n, static_cast<int>(expected[e].size()));
    ASSERT_EQ(0, std::memcmp(buf.data(), expected[e].data(), expected[e].size())) << e;
  }
  EXPECT_EQ(r.ReadEntry(static_cast<int>(video), 0, buf.data(), 4096), -1);
  // Too small a buffer: the entry is refused, nothing is written past it.
  uint8_t small[16] = {};
  EXPECT_EQ(r.ReadEntry(0, 0, small, 8), CZRVFileReader::kEntryTooLong);
}

TEST(ZrvReader, BrokenChainAndEntriesPastTheEnd) {
  TempDir dir;
  auto pictures = SyntheticPictures(10, 5);
  zrvgen::Options o;
  o.broken_chain = true;
  ASSERT_TRUE(zrvgen::WriteRecording(dir.Path("chain.zrv"), pictures, o, nullptr));
  CZRVFileReader r;
  EXPECT_LT(OpenReader(&r, dir.Path("chain.zrv")), 0);
  EXPECT_EQ(r.GetSegmentOffset(1), -1);
  EXPECT_GT(r.GetSegmentOffset(0), 16);

  o = {};
  o.entry_beyond_end = true;
  ASSERT_TRUE(zrvgen::WriteRecording(dir.Path("beyond.zrv"), pictures, o, nullptr));
  CZRVFileReader r2;
  ASSERT_EQ(OpenReader(&r2, dir.Path("beyond.zrv")), 0);
  int last = static_cast<int>(r2.GetEntryCount(0)) - 1;
  uint8_t buf[4096];
  EXPECT_EQ(r2.ReadEntry(last, 0, buf, sizeof buf), -1);
  EXPECT_EQ(r2.ReadEntryPrefix(last, 0, buf, 17), -1);
  EXPECT_GT(r2.ReadEntry(last - 1, 0, buf, sizeof buf), 12);
}

TEST(SimpleRtp, ParsesHeaderLengthsAndRefusesOtherVersions) {
  CSimpleRtp rtp;
  RtpHeaderInfo info{};
  uint8_t pkt[64] = {};
  pkt[0] = 0x80;
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 64), -1);  // not set up
  rtp.Setup({34, 10, 1000, 0});
  pkt[0] = 0x40;
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 64), -1);
  pkt[0] = 0x82;  // two CSRCs
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 64), 20);
  pkt[0] = 0x92;  // and an extension of one word
  pkt[20 + 3] = 1;
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 64), 28);
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 24), -1);  // extension beyond the packet
  EXPECT_EQ(rtp.ParseHeader(&info, pkt, 12), -1);
  EXPECT_EQ(rtp.ParseFixedHeader(&info, pkt, 12), 12);  // the fixed part alone
  Bytes p = zrvgen::RtpPacket(0x01020304, true, {1}, 96, 0xBEEF);
  ASSERT_EQ(rtp.ParseHeader(&info, p.data(), static_cast<int>(p.size())), 12);
  EXPECT_EQ(info.timestamp, 0x01020304u);
  EXPECT_EQ(info.sequence, 0xBEEF);
  EXPECT_EQ(info.marker, 1);
  EXPECT_EQ(info.payload_type, 96);
  EXPECT_EQ(info.ssrc, 0x5A525600u);
}

TEST(SimpleRtp, BuildsHeadersWithStepAndMarker) {
  CSimpleRtp rtp;
  uint8_t h[12];
  EXPECT_EQ(rtp.BuildHeader(1, h), -1);
  rtp.Setup({34, 10, 1000, 7});
  EXPECT_EQ(rtp.BuildHeader(0, nullptr), -1);
  RtpHeaderInfo info{};
  ASSERT_EQ(rtp.BuildHeader(0, h), 12);
  rtp.ParseHeader(&info, h, 12);
  EXPECT_EQ(info.sequence, 12346);
  EXPECT_EQ(info.timestamp, 100u);  // the step, since Setup counts as a marker
  EXPECT_EQ(info.payload_type, 34);
  EXPECT_EQ(info.ssrc, 7u);
  rtp.BuildHeader(1, h);  // same picture: no step
  rtp.ParseHeader(&info, h, 12);
  EXPECT_EQ(info.timestamp, 100u);
  EXPECT_EQ(info.marker, 1);
  rtp.BuildHeader(0, h);
  rtp.ParseHeader(&info, h, 12);
  EXPECT_EQ(info.timestamp, 200u);
  rtp.BuildHeaderAt(0, h, 5000);
  rtp.ParseHeader(&info, h, 12);
  EXPECT_EQ(info.timestamp, 5000u);
  EXPECT_EQ(info.sequence, 12349);
}

TEST(KeyEntry, RecognisesH264ParameterSetsAndH263IntraPictures) {
  auto entry = [](Bytes payload) { return zrvgen::RtpPacket(0, false, payload); };
  struct Case {
    Bytes payload;
    int key;
    VideoCodec codec;
  } cases[] = {
      {{0, 0, 0, 1, 0x67}, 1, VideoCodec::kH264},
      {{0, 0, 0, 1, 0x65}, 0, VideoCodec::kUnknown},  // IDR slice without parameter sets
      {{0, 0, 0, 1, 0x09}, 0, VideoCodec::kUnknown},
      {{0, 0, 0x80, 0x02, 0x00}, 1, VideoCodec::kH263},
      {{0, 0, 0x83, 0xFE, 0x1C}, 1, VideoCodec::kH263},
      {{0, 0, 0x80, 0x02, 0x02}, 0, VideoCodec::kUnknown},  // inter picture
      {{1, 0, 0, 1, 0x67}, 0, VideoCodec::kUnknown},
  };
  for (const Case& c : cases) {
    Bytes e = entry(c.payload);
    EXPECT_EQ(IsKeyEntry(e.data(), static_cast<int>(e.size())), c.key);
    EXPECT_EQ(KeyEntryCodec(e.data(), static_cast<int>(e.size())), c.codec);
  }
  // The static H.263 payload type never carries an H.264 parameter set.
  Bytes sps34 = zrvgen::RtpPacket(0, false, {0, 0, 0, 1, 0x67}, 34);
  EXPECT_EQ(KeyEntryCodecForType(sps34.data(), static_cast<int>(sps34.size())), VideoCodec::kUnknown);
  Bytes pic34 = zrvgen::RtpPacket(0, false, {0, 0, 0x80, 0x02, 0x00}, 34);
  EXPECT_EQ(KeyEntryCodecForType(pic34.data(), static_cast<int>(pic34.size())), VideoCodec::kH263);
  Bytes shorter = entry({0, 0, 0});
  EXPECT_EQ(IsKeyEntry(shorter.data(), 11), -1);
  EXPECT_EQ(IsKeyEntry(shorter.data(), 15), 0);
}
