// The recording source and its pins, driven directly: loading, media types,
// time stamps, the end of the data, seeking, odd entries.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "audio_source_stream.h"
#include "fake_output.h"
#include "filter_test_support.h"
#include "pellaquin.h"
#include "pellaquin_ids.h"
#include "video_source_stream.h"

using namespace pellaquin;
using zrvgen::Bytes;

namespace {

std::string Write(const TempDir& dir, const std::string& name, const std::vector<zrvgen::Picture>& pics,
                  zrvgen::Options o) {
  std::string path = dir.Path(name);
  std::string err;
  EXPECT_TRUE(zrvgen::WriteRecording(path, pics, o, &err)) << err;
  return path;
}

std::string WriteVideoEntries(const TempDir& dir, const std::string& name, const std::vector<Bytes>& entries,
                              const zrvgen::Damage& damage = {}) {
  std::string path = dir.Path(name);
  zrvgen::Segment s;
  s.entries = entries;
  EXPECT_TRUE(zrvgen::WriteSegments(path, {s}, damage, nullptr));
  return path;
}

Bytes Payload(std::initializer_list<uint8_t> head, size_t size) {
  Bytes b(head);
  b.resize(size, 0x55);
  return b;
}

bool StartsWithSps(const RecordedSample& s) {
  static const uint8_t sps[] = {0, 0, 0, 1, 0x67};
  return s.data.size() >= 5 && std::memcmp(s.data.data(), sps, 5) == 0;
}

// Plays the video pin to its end and returns what arrived.
std::vector<RecordedSample> PlayVideo(CPellaquin* f, FakeOutput* out) {
  EXPECT_EQ(f->GetPin(0)->Connect(out), S_OK);
  EXPECT_EQ(f->Pause(), S_OK);
  EXPECT_TRUE(out->WaitForEos());
  f->Stop();
  return out->samples();
}

}  // namespace

TEST(Pellaquin, PinsFollowTheSegmentCount) {
  TempDir dir;
  auto pics = SyntheticPictures(10, 5);
  zrvgen::Options o;
  o.segments = 1;
  CPellaquin one;
  ASSERT_EQ(one.Load(Write(dir, "one.zrv", pics, o).c_str(), nullptr), S_OK);
  EXPECT_EQ(one.GetPinCount(), 1);
  EXPECT_EQ(one.GetPin(1), nullptr);
  EXPECT_EQ(one.GetPin(-1), nullptr);
  EXPECT_EQ(one.GetPin(0)->name(), "Video");

  o.segments = 2;
  CPellaquin two;
  ASSERT_EQ(two.Load(Write(dir, "two.zrv", pics, o).c_str(), nullptr), S_OK);
  ASSERT_EQ(two.GetPinCount(), 2);
  EXPECT_EQ(two.GetPin(1)->name(), "Audio");

  o.segments = 3;
  CPellaquin three;
  EXPECT_EQ(three.Load(Write(dir, "three.zrv", pics, o).c_str(), nullptr), E_FAIL);
  EXPECT_EQ(three.GetPinCount(), 0);
  EXPECT_EQ(three.Load(dir.Path("missing.zrv").c_str(), nullptr), E_FAIL);

  std::string name;
  MediaType type;
  two.GetCurFile(&name, &type);
  EXPECT_EQ(name, dir.Path("two.zrv"));
  EXPECT_TRUE(type.majortype == MEDIATYPE_Stream);
  EXPECT_TRUE(type.subtype == GUID_NULL);
}

TEST(Pellaquin, MediaTypesAndBuffersAreTheRegisteredOnes) {
  TempDir dir;
  CPellaquin f;
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", SyntheticPictures(5, 5), {}).c_str(), nullptr), S_OK);
  CSourceStream* video = f.GetPin(0);
  CSourceStream* audio = f.GetPin(1);
  MediaType vt, at;
  EXPECT_EQ(video->GetMediaType(1, &vt), VFW_S_NO_MORE_ITEMS);
  EXPECT_EQ(video->GetMediaType(-1, &vt), E_INVALIDARG);
  ASSERT_EQ(video->GetMediaType(0, &vt), S_OK);
  ASSERT_EQ(audio->GetMediaType(0, &at), S_OK);
  EXPECT_EQ(GuidToString(vt.subtype), "{58494d48-0000-0010-8000-00aa00389b71}");
  EXPECT_EQ(GuidToString(at.subtype), "{20524d41-0000-0010-8000-00aa00389b71}");
  EXPECT_EQ(GuidToString(CLSID_Pellaquin), "{dc48363c-af04-4514-904c-c264e1e38157}");
  EXPECT_EQ(vt.sample_size, 921600u);
  EXPECT_FALSE(vt.temporal_compression);
  // VIDEOINFOHEADER: 48 zero bytes of rectangles, rates and frame time,
  // then the 40-byte bitmap header.
  Bytes vih(88, 0);
  const uint8_t bmi[40] = {40, 0, 0, 0, 0x80, 2, 0, 0, 0xE0, 1, 0, 0, 1, 0, 24, 0,
                           'H', 'M', 'I', 'X', 0, 0x10, 0x0E, 0};
  std::memcpy(vih.data() + 48, bmi, sizeof bmi);
  EXPECT_EQ(vt.format, vih);
  const Bytes wfx = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 0, 0};
  EXPECT_EQ(at.format, wfx);
  EXPECT_EQ(at.sample_size, 320u);

  EXPECT_EQ(video->CheckMediaType(vt), S_OK);
  MediaType bad = vt;
  bad.subtype = MEDIASUBTYPE_AMR;
  EXPECT_EQ(video->CheckMediaType(bad), E_INVALIDARG);
  bad = vt;
  bad.format.clear();
  EXPECT_EQ(video->CheckMediaType(bad), E_INVALIDARG);
  bad = vt;
  reinterpret_cast<VideoInfoHeader*>(bad.format.data())->bmiHeader.biHeight = -19;
  EXPECT_EQ(video->CheckMediaType(bad), E_INVALIDARG);
  EXPECT_EQ(audio->CheckMediaType(at), S_OK);
  bad = at;
  bad.subtype = MEDIASUBTYPE_HMIX;
  EXPECT_EQ(audio->CheckMediaType(bad), E_FAIL);
  bad.majortype = MEDIATYPE_Video;
  bad.fixed_size_samples = false;
  EXPECT_EQ(audio->CheckMediaType(bad), E_INVALIDARG);

  // The allocator must grant exactly the buffer count asked for.
  struct Stingy : IMemAllocator {
    HRESULT SetProperties(const AllocatorProperties& r, AllocatorProperties* a) override {
      *a = r;
      a->cBuffers = 1;
      return S_OK;
    }
  } stingy;
  FakeOutput out;
  EXPECT_EQ(video->Connect(&out, &stingy), E_FAIL);
  EXPECT_EQ(audio->Connect(&out, &stingy), E_FAIL);
  EXPECT_EQ(video->Connect(&out), S_OK);
}

TEST(Pellaquin, StampsPicturesFromTheirTimestampsAndEndsOnce) {
  TempDir dir;
  // Pictures at 0, 100, 200 ... ms: a timestamp of 0 is a real picture time.
  zrvgen::Options o;
  o.first_timestamp = 0;
  o.segments = 1;
  auto pics = SyntheticPictures(12, 4);
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", pics, o).c_str(), nullptr), S_OK);
  EXPECT_EQ(f.duration(), 11 * 100 * 10000);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), pics.size());  // the last picture too
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(samples[i].time, static_cast<int64_t>(i) * 1000000) << i;
    EXPECT_EQ(samples[i].data, pics[i].data) << i;
    EXPECT_EQ(samples[i].sync, pics[i].key) << i;
  }
  EXPECT_EQ(out.complete(), 1);
  EXPECT_EQ(out.eos(), 1);
  EXPECT_EQ(f.reader_state(), kReaderEnded);
  // Stopped and started again, the pin plays the recording once more.
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(out.WaitForSamples(2 * pics.size()));
  f.Stop();
  samples = out.samples();
  EXPECT_EQ(samples[pics.size()].time, 0);
  EXPECT_EQ(samples.back().data, pics.back().data);

  // Pictures at 1000 and 1100 ms.
  std::vector<Bytes> entries = {zrvgen::RtpPacket(1000, true, Payload({0, 0, 0, 1, 0x67}, 40)),
                                zrvgen::RtpPacket(1100, true, Payload({0, 0, 0, 1, 0x41}, 30))};
  FakeOutput out2;
  CPellaquin g(&out2);
  ASSERT_EQ(g.Load(WriteVideoEntries(dir, "b.zrv", entries).c_str(), nullptr), S_OK);
  samples = PlayVideo(&g, &out2);
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_EQ(samples[0].time, 0);
  EXPECT_EQ(samples[1].time, 1000000);
}

TEST(Pellaquin, TimestampsGoingBackwardsMoveTheStreamTimeBack) {
  TempDir dir;
  zrvgen::Options o;
  o.segments = 1;
  o.backwards_at = 3;  // 0, 100, 200, 100, 400
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", SyntheticPictures(5, 5), o).c_str(), nullptr), S_OK);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), 5u);
  EXPECT_EQ(samples[2].time, 2000000);
  EXPECT_EQ(samples[3].time, 1000000);
  EXPECT_EQ(samples[4].time, 4000000);
}

TEST(Pellaquin, AnImplausibleTimestampStepIsADiscontinuity) {
  TempDir dir;
  // Steps of 2^31-1 ms: the stream time would pass the 64-bit range after
  // 430,000 such pictures. A step of an hour or less is taken as recorded.
  const uint32_t huge = 0x7FFFFFFF;
  std::vector<Bytes> entries;
  uint32_t ts = 1000;
  for (uint32_t step : {0u, huge, huge, 3600000u, huge}) {
    ts += step;
    entries.push_back(zrvgen::RtpPacket(ts, true, Payload({0, 0, 0, 1, 0x41}, 20)));
  }
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(WriteVideoEntries(dir, "steps.zrv", entries).c_str(), nullptr), S_OK);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), 5u);
  const int64_t expected[] = {0, 1000000, 2000000, 2000000 + 36000000000LL, 3000000 + 36000000000LL};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(samples[i].time, expected[i]) << i;
  // The time saturates rather than wrapping.
  EXPECT_EQ(CVideoSourceStream::AdvanceStreamTime(INT64_MAX - 5, 100), INT64_MAX);
  EXPECT_EQ(CVideoSourceStream::AdvanceStreamTime(INT64_MIN + 5, static_cast<uint32_t>(-100)), INT64_MIN);
}

TEST(Pellaquin, PlaybackStartsAtTheFirstKeyEntryOrEntryZero) {
  TempDir dir;
  std::vector<Bytes> entries = {zrvgen::RtpPacket(500, true, Payload({0, 0, 0, 1, 0x41}, 20)),
                                zrvgen::RtpPacket(600, true, Payload({0, 0, 0, 1, 0x67}, 20)),
                                zrvgen::RtpPacket(700, true, Payload({0, 0, 0, 1, 0x41}, 20))};
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(WriteVideoEntries(dir, "k.zrv", entries).c_str(), nullptr), S_OK);
  EXPECT_EQ(f.first_key_index(), 1);
  EXPECT_EQ(f.first_key_timestamp(), 600u);
  EXPECT_EQ(f.duration(), 100 * 10000);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_TRUE(StartsWithSps(samples[0]));

  zrvgen::Options o;
  o.no_key = true;
  o.segments = 1;
  FakeOutput out2;
  CPellaquin g(&out2);
  ASSERT_EQ(g.Load(Write(dir, "nokey.zrv", SyntheticPictures(6, 3), o).c_str(), nullptr), S_OK);
  EXPECT_EQ(g.first_key_index(), 0);
  EXPECT_EQ(g.first_key_timestamp(), o.first_timestamp);
  EXPECT_EQ(g.duration(), 5 * 100 * 10000);
  EXPECT_EQ(g.codec(), VideoCodec::kH264);
  EXPECT_EQ(PlayVideo(&g, &out2).size(), 6u);
}

TEST(Pellaquin, CodecAndFirstKeyComeFromAPictureStart) {
  TempDir dir;
  // H.264 without a parameter set at a picture start; the continuation of
  // the first picture happens to begin like an H.263 intra picture.
  std::vector<Bytes> entries = {zrvgen::RtpPacket(100, false, Payload({0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1, 0x67}, 30)),
                                zrvgen::RtpPacket(100, true, Payload({0, 0, 0x80, 0xC8, 0}, 30)),
                                zrvgen::RtpPacket(200, true, Payload({0, 0, 0, 1, 0x41}, 30))};
  CPellaquin f;
  ASSERT_EQ(f.Load(WriteVideoEntries(dir, "fragment.zrv", entries).c_str(), nullptr), S_OK);
  EXPECT_EQ(f.codec(), VideoCodec::kH264);
  EXPECT_EQ(f.first_key_index(), 0);
  EXPECT_EQ(f.KeyPictureAt(1), VideoCodec::kUnknown);

  // An H.263-looking picture start under a dynamic payload type gives way
  // to a parameter set later on; under the H.263 type it is taken at once.
  entries = {zrvgen::RtpPacket(100, true, Payload({0, 0, 0x80, 0x02, 0}, 30)),
             zrvgen::RtpPacket(200, true, Payload({0, 0, 0, 1, 0x67}, 30)),
             zrvgen::RtpPacket(300, true, Payload({0, 0, 0, 1, 0x41}, 30))};
  CPellaquin g;
  ASSERT_EQ(g.Load(WriteVideoEntries(dir, "dynamic.zrv", entries).c_str(), nullptr), S_OK);
  EXPECT_EQ(g.codec(), VideoCodec::kH264);
  EXPECT_EQ(g.first_key_index(), 1);
  for (Bytes& e : entries) e[1] = static_cast<uint8_t>((e[1] & 0x80) | 34);
  CPellaquin h;
  ASSERT_EQ(h.Load(WriteVideoEntries(dir, "h263.zrv", entries).c_str(), nullptr), S_OK);
  EXPECT_EQ(h.codec(), VideoCodec::kH263);
  EXPECT_EQ(h.first_key_index(), 0);
}

TEST(Pellaquin, RunningOutOfMemoryWhileLoadingIsAResultCode) {
  // Reading through the source allocates (its block cache, a framework's
  // buffers); running out there must not escape the filter.
  struct Exhausted : IByteSource {
    int64_t Size() override { return 1 << 20; }
    bool Seek(int64_t) override { return true; }
    size_t Read(void*, size_t) override { throw std::bad_alloc(); }
  };
  CPellaquin f;
  HRESULT hr = S_OK;
  EXPECT_NO_THROW(hr = f.LoadFrom(std::make_unique<Exhausted>(), "big.zrv", nullptr));
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(f.GetPinCount(), 0);
  EXPECT_EQ(f.reader_state(), kReaderNone);
}

TEST(Pellaquin, OddEntriesAreSkippedNeverOverrun) {
  TempDir dir;
  const int kPacket = CVideoSourceStream::kPacketBufferSize;
  std::vector<Bytes> entries = {
      zrvgen::RtpPacket(100, false, Payload({0, 0, 0, 1, 0x67}, 50)),
      Bytes(),                                        // empty entry
      zrvgen::RtpPacket(100, false, {}),              // header only
      Bytes(5, 0x80),                                 // shorter than a header
      zrvgen::RtpPacket(100, true, Payload({}, kPacket)),  // one byte over the packet buffer
      zrvgen::RtpPacket(200, true, Payload({0, 0, 0, 1, 0x41}, 30)),
  };
  // A picture bigger than a sample: five entries near the packet limit.
  for (int i = 0; i < 5; ++i) entries.push_back(zrvgen::RtpPacket(300, i == 4, Payload({}, kPacket - 12)));
  entries.push_back(zrvgen::RtpPacket(400, true, Payload({0, 0, 0, 1, 0x41}, 30)));
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(WriteVideoEntries(dir, "odd.zrv", entries).c_str(), nullptr), S_OK);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), 5u);
  EXPECT_EQ(samples[0].data.size(), 50u);
  EXPECT_EQ(samples[1].time, 1000000);
  // 921600 bytes hold four 230388-byte payloads; the fifth follows in a
  // sample of its own with the same time.
  EXPECT_EQ(samples[2].data.size(), 4u * (kPacket - 12));
  EXPECT_EQ(samples[3].data.size(), static_cast<size_t>(kPacket - 12));
  EXPECT_EQ(samples[3].time, samples[2].time);
  EXPECT_EQ(samples[4].time, 3000000);
  for (auto& s : samples) EXPECT_FALSE(s.data.empty());
  EXPECT_EQ(out.complete(), 1);
}

TEST(Pellaquin, AnEntryBeyondTheFileEndEndsTheStream) {
  TempDir dir;
  zrvgen::Options o;
  o.entry_beyond_end = true;
  o.segments = 1;
  auto pics = SyntheticPictures(6, 3, 100);
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", pics, o).c_str(), nullptr), S_OK);
  auto samples = PlayVideo(&f, &out);
  ASSERT_EQ(samples.size(), 5u);  // the picture whose data is missing is not shown
  EXPECT_EQ(out.complete(), 1);
}

TEST(Pellaquin, SeekingNeedsARunningStreamAndRestartsAtAKeyPicture) {
  TempDir dir;
  zrvgen::Options o;
  o.segments = 1;
  auto pics = SyntheticPictures(100, 10);  // 10 s, a key picture every second
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", pics, o).c_str(), nullptr), S_OK);
  CVideoSourceStream* video = f.video_pin();
  int64_t t = 50000000;  // 5 s
  EXPECT_EQ(video->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
            S_FALSE);
  int64_t duration = 0;
  video->GetDuration(&duration);
  EXPECT_EQ(duration, 99 * 1000000);

  ASSERT_EQ(video->Connect(&out), S_OK);
  out.HoldAfter(3);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(out.WaitForSamples(3));
  int64_t negative = -1;
  EXPECT_EQ(video->SetPositions(&negative, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
            S_FALSE);
  t = 52000000;  // 5.2 s: the nearest key picture is the one at 5 s
  ASSERT_EQ(video->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
  EXPECT_EQ(video->located_media_time(), 50000000);
  ASSERT_TRUE(out.WaitForEos());
  EXPECT_EQ(out.complete(), 1);
  auto samples = out.samples();
  ASSERT_EQ(samples.size(), 3u + 50u);
  const RecordedSample& first = samples[3];
  EXPECT_EQ(first.flushes_before, 1);
  EXPECT_EQ(first.time, 1);
  EXPECT_TRUE(first.sync);
  EXPECT_TRUE(StartsWithSps(first));
  EXPECT_EQ(first.data, pics[50].data);
  EXPECT_EQ(samples[4].time, 1 + 1000000);

  // After the end seeking is refused until the pins start again.
  EXPECT_EQ(video->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
            S_FALSE);
  f.Stop();
}

TEST(Pellaquin, SeekingDoesNotProbeEntriesTheFileLacks) {
  TempDir dir;
  // 2^31-1 entries claimed, three in the file: a seek must not probe them.
  std::vector<Bytes> entries = {zrvgen::RtpPacket(1000, true, Payload({0, 0, 0, 1, 0x67}, 20)),
                                zrvgen::RtpPacket(1100, true, Payload({0, 0, 0, 1, 0x41}, 20)),
                                zrvgen::RtpPacket(1200, true, Payload({0, 0, 0, 1, 0x41}, 20))};
  zrvgen::Damage damage;
  damage.claimed_entries = 0x7FFFFFFF;
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(WriteVideoEntries(dir, "many.zrv", entries, damage).c_str(), nullptr), S_OK);
  ASSERT_EQ(f.GetPin(0)->Connect(&out), S_OK);
  out.HoldAfter(1);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(out.WaitForSamples(1));
  HRESULT hr = E_FAIL;
  double ms = MillisecondsToFinish("seeking in a file claiming 2^31-1 entries", [&] {
    int64_t t = 1500000;
    hr = f.video_pin()->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  });
  std::printf("seek in a file claiming 2^31-1 entries: %.3f ms\n", ms);
  EXPECT_EQ(hr, S_OK);
  ASSERT_TRUE(out.WaitForEos());
  f.Stop();
  EXPECT_EQ(out.samples().size(), 1u + 3u);  // from the key picture again
}

TEST(Pellaquin, SeekingReadsTimestampsBehindLongRtpHeaders) {
  TempDir dir;
  // Every packet carries a CSRC: the search reads timestamps all the same.
  zrvgen::Options o;
  o.segments = 1;
  o.csrc_count = 1;
  FakeOutput out2;
  CPellaquin g(&out2);
  ASSERT_EQ(g.Load(Write(dir, "csrc.zrv", SyntheticPictures(40, 10), o).c_str(), nullptr), S_OK);
  ASSERT_EQ(g.GetPin(0)->Connect(&out2), S_OK);
  out2.HoldAfter(1);
  ASSERT_EQ(g.Pause(), S_OK);
  ASSERT_TRUE(out2.WaitForSamples(1));
  int64_t t = 20000000;
  EXPECT_EQ(g.video_pin()->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
            S_OK);
  EXPECT_NEAR(static_cast<double>(g.video_pin()->located_media_time()), 20000000, 1000000);
  ASSERT_TRUE(out2.WaitForEos());
  g.Stop();
}

TEST(Pellaquin, SeekingInAFileWithoutKeyEntriesStartsNearTheTarget) {
  TempDir dir;
  zrvgen::Options o;
  o.segments = 1;
  o.no_key = true;
  auto pics = SyntheticPictures(40, 10);
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", pics, o).c_str(), nullptr), S_OK);
  static std::string debug;
  debug.clear();
  SetDebugOutput([](const char* text) { debug += text; });
  ASSERT_EQ(f.GetPin(0)->Connect(&out), S_OK);
  out.HoldAfter(1);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(out.WaitForSamples(1));
  int64_t t = 20000000;
  EXPECT_EQ(f.video_pin()->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
            S_OK);
  ASSERT_TRUE(out.WaitForEos());
  f.Stop();
  SetDebugOutput(nullptr);
  EXPECT_EQ(debug, "无法定位！\n");
  auto samples = out.samples();
  ASSERT_GT(samples.size(), 1u);
  // Within one picture of the target (entries, not pictures, are searched).
  EXPECT_NEAR(static_cast<double>(f.video_pin()->located_media_time()), 20000000, 1000000);
}

TEST(Pellaquin, AudioIsSilenceForTheRecordingsLength) {
  TempDir dir;
  FakeOutput vout, aout;
  CPellaquin f(&vout);
  ASSERT_EQ(f.Load(Write(dir, "a.zrv", SyntheticPictures(11, 5), {}).c_str(), nullptr), S_OK);
  ASSERT_EQ(f.GetPin(0)->Connect(&vout), S_OK);
  ASSERT_EQ(f.GetPin(1)->Connect(&aout), S_OK);
  aout.HoldAfter(10);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(aout.WaitForSamples(10));
  auto samples = aout.samples();
  EXPECT_EQ(samples[0].time, 200000);
  EXPECT_EQ(samples[1].time, 400000);
  EXPECT_EQ(samples[0].data, Bytes(320, 0));
  // A seek restarts the silence with the video and shortens it to what is left.
  ASSERT_TRUE(vout.WaitForEos());
  int64_t t = 4000000;
  CAudioSourceStream* audio = f.audio_pin();
  EXPECT_EQ(audio->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
  ASSERT_TRUE(aout.WaitForEos());
  f.Stop();
  samples = aout.samples();
  ASSERT_EQ(samples.size(), 10u + 30u);  // (1000 - 400) ms / 20 ms
  EXPECT_EQ(samples[10].time, 200000);
  EXPECT_EQ(samples.back().time, 6000000);
}

TEST(Pellaquin, AudioEndsWithTheVideo) {
  TempDir dir;
  // Three pictures 100 ms apart, but the last entry (a header without a
  // payload) makes the recording claim 24.8 days.
  std::vector<Bytes> entries = {zrvgen::RtpPacket(1000, true, Payload({0, 0, 0, 1, 0x67}, 20)),
                                zrvgen::RtpPacket(1100, true, Payload({0, 0, 0, 1, 0x41}, 20)),
                                zrvgen::RtpPacket(1200, true, Payload({0, 0, 0, 1, 0x41}, 20)),
                                zrvgen::RtpPacket(1000u + 0x7FFFFFFFu, true, {})};
  zrvgen::Segment video, audio;
  video.entries = entries;
  audio.entries = {zrvgen::RtpPacket(1000, true, Payload({}, 32), 97)};
  std::string path = dir.Path("long.zrv");
  ASSERT_TRUE(zrvgen::WriteSegments(path, {video, audio}, false, false, nullptr));
  FakeOutput vout, aout;
  CPellaquin f(&vout);
  ASSERT_EQ(f.Load(path.c_str(), nullptr), S_OK);
  EXPECT_EQ(f.duration(), int64_t{0x7FFFFFFF} * 10000);
  ASSERT_EQ(f.GetPin(0)->Connect(&vout), S_OK);
  ASSERT_EQ(f.GetPin(1)->Connect(&aout), S_OK);
  aout.HoldAfter(2);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(vout.WaitForEos());
  aout.HoldAfter(1 << 30);
  ASSERT_TRUE(aout.WaitForEos());
  f.Stop();
  auto samples = aout.samples();
  ASSERT_FALSE(samples.empty());
  // Silence up to the last picture, at 200 ms.
  EXPECT_EQ(samples.back().time, 2000000);
  EXPECT_EQ(samples.size(), 10u);
}

TEST(Pellaquin, LoadingAgainReplacesTheFileInAnyState) {
  TempDir dir;
  zrvgen::Options o;
  o.segments = 1;
  std::string a = Write(dir, "a.zrv", SyntheticPictures(30, 5), o);
  o.segments = 2;
  std::string b = Write(dir, "b.zrv", SyntheticPictures(8, 4), o);
  FakeOutput out;
  CPellaquin f(&out);
  ASSERT_EQ(f.Load(a.c_str(), nullptr), S_OK);
  ASSERT_EQ(f.Load(a.c_str(), nullptr), S_OK);  // loaded, not streaming
  ASSERT_EQ(f.GetPin(0)->Connect(&out), S_OK);
  out.HoldAfter(2);
  ASSERT_EQ(f.Pause(), S_OK);
  ASSERT_TRUE(out.WaitForSamples(2));
  // Streaming, with the pin held downstream: the pins are stopped first.
  out.HoldAfter(1 << 30);
  ASSERT_EQ(f.Load(b.c_str(), nullptr), S_OK);
  EXPECT_EQ(f.GetPinCount(), 2);
  EXPECT_EQ(f.reader_state(), kReaderLoaded);
  FakeOutput out2;
  auto samples = PlayVideo(&f, &out2);
  EXPECT_EQ(samples.size(), 8u);
  // Ended, then a file that does not load.
  EXPECT_EQ(f.Load(dir.Path("nothing.zrv").c_str(), nullptr), E_FAIL);
  EXPECT_EQ(f.GetPinCount(), 0);
  ASSERT_EQ(f.Load(a.c_str(), nullptr), S_OK);
}

TEST(Pellaquin, ReadOnlyFilesPlay) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempDir dir;
  std::string path = Write(dir, "ro.zrv", SyntheticPictures(4, 2), {});
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  CPellaquin f;
  EXPECT_EQ(f.Load(path.c_str(), nullptr), S_OK);
}
