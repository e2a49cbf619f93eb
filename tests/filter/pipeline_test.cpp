// Real pipelines over generated recordings: decoding, playbin, discovery,
// flushing seeks, the audio stream's length and the type finder.
#include <gst/base/gsttypefindhelper.h>
#include <gst/pbutils/pbutils.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "encoder.h"
#include "filter_test_support.h"
#include "gst_test_support.h"

namespace {

constexpr int kPictures = 60;  // 6 s at 10 pictures a second
constexpr GstClockTime kDuration = (kPictures - 1) * 100 * GST_MSECOND;

class PipelineTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    InitGstForTests("gst-registry-pipeline.bin");
    dir_ = new TempDir;
    zrvgen::EncodeOptions enc;
    enc.pictures = kPictures;
    enc.key_interval = 5;
    std::vector<zrvgen::Picture> pictures;
    std::string err;
    ASSERT_TRUE(zrvgen::EncodePictures(enc, &pictures, &err)) << err;
    zrvgen::Options o;
    o.tiny_entries_at = 7;
    ASSERT_TRUE(zrvgen::WriteRecording(Path(), pictures, o, &err)) << err;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Path() { return dir_->Path("two.zrv"); }
  static std::string Uri() { return "file://" + Path(); }

  static GstElement* Launch(const std::string& desc) {
    GError* err = nullptr;
    GstElement* p = gst_parse_launch(desc.c_str(), &err);
    EXPECT_EQ(err, nullptr) << (err ? err->message : "");
    if (err) g_error_free(err);
    return p;
  }

  static inline TempDir* dir_ = nullptr;
};

void CountHandoffs(GstElement*, GstBuffer*, GstPad*, gpointer counter) {
  ++*static_cast<std::atomic<int>*>(counter);
}

std::string DecodePipeline(const std::string& path) {
  return "filesrc location=" + path +
         " ! zrvdemux name=d d.video ! h264parse ! avdec_h264 ! fakesink name=v sync=false signal-handoffs=true"
         " d.audio ! fakesink name=a sync=false signal-handoffs=true";
}

}  // namespace

TEST_F(PipelineTest, DecodesEveryPictureAndTheAudioLastsTheRecording) {
  GstElement* p = Launch(DecodePipeline(Path()));
  ASSERT_NE(p, nullptr);
  std::atomic<int> pictures{0};
  GstElement* v = gst_bin_get_by_name(GST_BIN(p), "v");
  GstElement* a = gst_bin_get_by_name(GST_BIN(p), "a");
  g_signal_connect(v, "handoff", G_CALLBACK(CountHandoffs), &pictures);
  std::atomic<int64_t> audio_bytes{0};
  g_signal_connect(a, "handoff",
                   G_CALLBACK(+[](GstElement*, GstBuffer* b, GstPad*, gpointer n) {
                     *static_cast<std::atomic<int64_t>*>(n) += static_cast<int64_t>(gst_buffer_get_size(b));
                   }),
                   &audio_bytes);
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  gst_element_set_state(p, GST_STATE_NULL);
  EXPECT_EQ(pictures.load(), kPictures);
  // 16000 bytes a second.
  GstClockTime audio = GstClockTime(audio_bytes.load()) * GST_SECOND / 16000;
  EXPECT_LE(audio > kDuration ? audio - kDuration : kDuration - audio, 100 * GST_MSECOND);
  gst_object_unref(v);
  gst_object_unref(a);
  gst_object_unref(p);
}

TEST_F(PipelineTest, PlaybinPlaysTheRecordingByUri) {
  GstElement* p = Launch("playbin uri=" + Uri() +
                         " video-sink=\"fakesink sync=false\" audio-sink=\"fakesink sync=false\"");
  ASSERT_NE(p, nullptr);
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  gint64 duration = 0;
  EXPECT_TRUE(gst_element_query_duration(p, GST_FORMAT_TIME, &duration));
  EXPECT_EQ(GstClockTime(duration), kDuration);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
}

// A player's queues take in the whole of a short recording while it is
// paused, so the demuxer has read its last entry before the user seeks.
TEST_F(PipelineTest, PlaybinSeeksAgainAndAgainInAShortRecording) {
  GstElement* p = Launch("playbin uri=" + Uri() +
                         " video-sink=\"fakesink sync=true\" audio-sink=\"fakesink sync=true\"");
  ASSERT_NE(p, nullptr);
  gst_element_set_state(p, GST_STATE_PAUSED);
  ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  for (GstClockTime target : {GstClockTime(3 * GST_SECOND), GstClockTime(GST_SECOND), GstClockTime(5 * GST_SECOND), GstClockTime(0)}) {
    ASSERT_TRUE(gst_element_seek_simple(p, GST_FORMAT_TIME,
                                        GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), target))
        << target;
    ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    gint64 position = -1;
    EXPECT_TRUE(gst_element_query_position(p, GST_FORMAT_TIME, &position));
    EXPECT_NEAR(double(position), double(target), double(500 * GST_MSECOND)) << target;
  }
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
}

TEST_F(PipelineTest, DiscovererReportsDurationSizeAndCodec) {
  GError* err = nullptr;
  GstDiscoverer* d = gst_discoverer_new(30 * GST_SECOND, &err);
  ASSERT_NE(d, nullptr);
  GstDiscovererInfo* info = gst_discoverer_discover_uri(d, Uri().c_str(), &err);
  ASSERT_NE(info, nullptr) << (err ? err->message : "");
  EXPECT_EQ(gst_discoverer_info_get_result(info), GST_DISCOVERER_OK);
  GstClockTime duration = gst_discoverer_info_get_duration(info);
  EXPECT_LE(duration > kDuration ? duration - kDuration : kDuration - duration, 100 * GST_MSECOND);
  EXPECT_TRUE(gst_discoverer_info_get_seekable(info));
  GList* videos = gst_discoverer_info_get_video_streams(info);
  ASSERT_EQ(g_list_length(videos), 1u);
  auto* video = GST_DISCOVERER_VIDEO_INFO(videos->data);
  EXPECT_EQ(gst_discoverer_video_info_get_width(video), 640u);
  EXPECT_EQ(gst_discoverer_video_info_get_height(video), 480u);
  GstCaps* caps = gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video));
  EXPECT_STREQ(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/x-h264");
  gst_caps_unref(caps);
  GList* audios = gst_discoverer_info_get_audio_streams(info);
  EXPECT_EQ(g_list_length(audios), 1u);
  gst_discoverer_stream_info_list_free(videos);
  gst_discoverer_stream_info_list_free(audios);
  gst_discoverer_info_unref(info);
  g_object_unref(d);
}

namespace {
struct SeekProbe {
  std::atomic<bool> flushed{false};
  std::atomic<bool> got{false};
  GstSegment segment;
  GstClockTime pts = GST_CLOCK_TIME_NONE;
  bool delta = true;
};

GstPadProbeReturn OnVideoData(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* probe = static_cast<SeekProbe*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_FLUSH) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) probe->flushed = true;
  } else if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent* ev = GST_PAD_PROBE_INFO_EVENT(info);
    if (probe->flushed && GST_EVENT_TYPE(ev) == GST_EVENT_SEGMENT) gst_event_copy_segment(ev, &probe->segment);
  } else if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
    if (probe->flushed && !probe->got) {
      GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info);
      probe->pts = GST_BUFFER_PTS(b);
      probe->delta = GST_BUFFER_FLAG_IS_SET(b, GST_BUFFER_FLAG_DELTA_UNIT);
      probe->got = true;
    }
  }
  return GST_PAD_PROBE_OK;
}
}  // namespace

TEST_F(PipelineTest, FlushingSeekStartsAtAKeyPictureNearTheTarget) {
  GstElement* p = Launch(DecodePipeline(Path()));
  ASSERT_NE(p, nullptr);
  ASSERT_NE(gst_element_set_state(p, GST_STATE_PAUSED), GST_STATE_CHANGE_FAILURE);
  ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  GstElement* demux = gst_bin_get_by_name(GST_BIN(p), "d");
  GstPad* pad = gst_element_get_static_pad(demux, "video");
  ASSERT_NE(pad, nullptr);
  SeekProbe probe;
  gst_pad_add_probe(pad,
                    GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                    GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                    OnVideoData, &probe, nullptr);
  const GstClockTime target = 3050 * GST_MSECOND;
  ASSERT_TRUE(gst_element_seek_simple(p, GST_FORMAT_TIME,
                                      GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), target));
  ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  ASSERT_TRUE(probe.got.load());
  EXPECT_FALSE(probe.delta);
  GstClockTime position = probe.segment.time + probe.pts;
  EXPECT_LE(position > target ? position - target : target - position, 100 * GST_MSECOND);
  gint64 reported = 0;
  EXPECT_TRUE(gst_element_query_position(p, GST_FORMAT_TIME, &reported));
  // (The first picture after a seek is stamped 100 ns in.)
  EXPECT_NEAR(double(reported), double(position), double(GST_MSECOND));
  // The rest plays to the end from there.
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  // After the end the recording can be sought back into and plays again.
  EXPECT_TRUE(gst_element_seek_simple(p, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, GST_SECOND));
  EXPECT_EQ(WaitForEnd(p), "");
  EXPECT_EQ(gst_element_set_state(p, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  gst_object_unref(pad);
  gst_object_unref(demux);
  gst_object_unref(p);
}

TEST_F(PipelineTest, ManySeeksWhilePlayingKeepThePipelineAlive) {
  GstElement* p = Launch(DecodePipeline(Path()));
  ASSERT_NE(p, nullptr);
  gst_element_set_state(p, GST_STATE_PAUSED);
  ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
  // Paused, a seek can meet a pin about to end its stream; that end must
  // not outlive the seek's flush, or the next seek waits for ever.
  for (int i = 0; i < 100; ++i) {
    GstClockTime t = GstClockTime((i * 7) % 59) * 100 * GST_MSECOND;
    EXPECT_TRUE(gst_element_seek_simple(p, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, t)) << i;
    if (i == 90) gst_element_set_state(p, GST_STATE_PLAYING);
  }
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  EXPECT_EQ(gst_element_set_state(p, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  gst_object_unref(p);
}

namespace {
// What the .zrv type finder alone suggests for the bytes (0 = nothing).
guint ZrvTypeFinderSays(const std::vector<uint8_t>& bytes) {
  struct Probe {
    const std::vector<uint8_t>* bytes;
    guint probability = 0;
  } probe{&bytes};
  GstTypeFind tf{};
  tf.data = &probe;
  tf.peek = [](gpointer data, gint64 offset, guint size) -> const guint8* {
    auto* p = static_cast<Probe*>(data);
    if (offset < 0 || static_cast<guint64>(offset) + size > p->bytes->size()) return nullptr;
    return p->bytes->data() + offset;
  };
  tf.suggest = [](gpointer data, guint probability, GstCaps*) {
    auto* p = static_cast<Probe*>(data);
    p->probability = std::max(p->probability, probability);
  };
  tf.get_length = [](gpointer data) -> guint64 { return static_cast<Probe*>(data)->bytes->size(); };
  GstPluginFeature* feature = gst_registry_lookup_feature(gst_registry_get(), "video/x-zrv");
  EXPECT_NE(feature, nullptr);
  if (!feature) return 0;
  gst_type_find_factory_call_function(GST_TYPE_FIND_FACTORY(feature), &tf);
  gst_object_unref(feature);
  return probe.probability;
}
}  // namespace

TEST_F(PipelineTest, TypeFinderKnowsRecordingsByContent) {
  std::ifstream in(Path(), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  GstTypeFindProbability prob;
  GstCaps* caps = gst_type_find_helper_for_data(nullptr, bytes.data(), bytes.size(), &prob);
  ASSERT_NE(caps, nullptr);
  EXPECT_STREQ(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/x-zrv");
  EXPECT_EQ(prob, GST_TYPE_FIND_MAXIMUM);  // the first entry starts a key picture
  gst_caps_unref(caps);
  // Without a key picture in front the signature only makes it likely
  // (asked of this type finder alone: others may like such data better).
  zrvgen::Options o;
  o.no_key = true;
  std::string nokey = dir_->Path("nokey.zrv");
  ASSERT_TRUE(zrvgen::WriteRecording(nokey, SyntheticPictures(10, 5), o, nullptr));
  std::ifstream nk(nokey, std::ios::binary);
  std::vector<uint8_t> nk_bytes((std::istreambuf_iterator<char>(nk)), std::istreambuf_iterator<char>());
  EXPECT_EQ(ZrvTypeFinderSays(nk_bytes), GST_TYPE_FIND_LIKELY);
  EXPECT_EQ(ZrvTypeFinderSays(bytes), GST_TYPE_FIND_MAXIMUM);
  // The same header with its segment pointing past the data is not one.
  bytes[12] = 0xF0;
  bytes[13] = 0xFF;
  bytes[14] = 0xFF;
  caps = gst_type_find_helper_for_data(nullptr, bytes.data(), bytes.size(), &prob);
  if (caps) {
    EXPECT_STRNE(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/x-zrv");
    gst_caps_unref(caps);
  }
}

TEST_F(PipelineTest, H263RecordingsDecode) {
  zrvgen::EncodeOptions enc;
  enc.codec = zrvgen::Codec::kH263;
  enc.pictures = 20;
  enc.key_interval = 10;
  std::vector<zrvgen::Picture> pictures;
  std::string err;
  ASSERT_TRUE(zrvgen::EncodePictures(enc, &pictures, &err)) << err;
  zrvgen::Options o;
  o.codec = zrvgen::Codec::kH263;
  o.segments = 1;
  std::string path = dir_->Path("h263.zrv");
  ASSERT_TRUE(zrvgen::WriteRecording(path, pictures, o, &err)) << err;
  GstElement* p = Launch("filesrc location=" + path +
                         " ! zrvdemux ! avdec_h263 ! fakesink name=v sync=false signal-handoffs=true");
  ASSERT_NE(p, nullptr);
  std::atomic<int> count{0};
  GstElement* v = gst_bin_get_by_name(GST_BIN(p), "v");
  g_signal_connect(v, "handoff", G_CALLBACK(CountHandoffs), &count);
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  gst_element_set_state(p, GST_STATE_NULL);
  EXPECT_EQ(count.load(), 20);
  gst_object_unref(v);
  gst_object_unref(p);
}

TEST_F(PipelineTest, ADamagedRecordingIsAnErrorNotAHang) {
  zrvgen::Options o;
  o.broken_chain = true;
  std::string path = dir_->Path("broken.zrv");
  ASSERT_TRUE(zrvgen::WriteRecording(path, SyntheticPictures(10, 5), o, nullptr));
  GstElement* p = Launch("filesrc location=" + path + " ! zrvdemux ! fakesink");
  ASSERT_NE(p, nullptr);
  gst_element_set_state(p, GST_STATE_PLAYING);
  std::string error = WaitForEnd(p);
  EXPECT_NE(error.find("not a playable ZRV recording"), std::string::npos) << error;
  EXPECT_EQ(gst_element_set_state(p, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  gst_object_unref(p);
}

TEST_F(PipelineTest, StoppingWhilePrerolledAndRestartingPlaysAgain) {
  GstElement* p = Launch("playbin uri=" + Uri() +
                         " video-sink=\"fakesink sync=false\" audio-sink=\"fakesink sync=false\"");
  ASSERT_NE(p, nullptr);
  for (int round = 0; round < 2; ++round) {
    gst_element_set_state(p, GST_STATE_PAUSED);
    ASSERT_EQ(gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND), GST_STATE_CHANGE_SUCCESS);
    // The pins are held by the prerolled sinks; stopping must release them.
    ASSERT_EQ(gst_element_set_state(p, GST_STATE_READY), GST_STATE_CHANGE_SUCCESS);
  }
  gst_element_set_state(p, GST_STATE_PLAYING);
  EXPECT_EQ(WaitForEnd(p), "");
  EXPECT_EQ(gst_element_set_state(p, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
  gst_object_unref(p);
}

// Every file of the fuzz target's seed corpus (good and damaged recordings)
// ends, with its end of stream or an error, when discovered and when
// played; none hangs.
TEST_F(PipelineTest, EveryDamagedRecordingEnds) {
  constexpr int kLimit = 60;  // seconds; generous: only a hang fails, the real times are printed
  std::vector<std::string> files;
  for (const auto& f : std::filesystem::directory_iterator(PELLAQUIN_DAMAGED_CORPUS)) files.push_back(f.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 10u);
  GError* err = nullptr;
  GstDiscoverer* d = gst_discoverer_new(kLimit * GST_SECOND, &err);
  ASSERT_NE(d, nullptr);
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    auto start = std::chrono::steady_clock::now();
    GstDiscovererInfo* info = gst_discoverer_discover_uri(d, ("file://" + path).c_str(), &err);
    g_clear_error(&err);
    ASSERT_NE(info, nullptr);
    EXPECT_NE(gst_discoverer_info_get_result(info), GST_DISCOVERER_TIMEOUT);
    gst_discoverer_info_unref(info);
    std::chrono::duration<double, std::milli> discovered = std::chrono::steady_clock::now() - start;

    start = std::chrono::steady_clock::now();
    GstElement* p = Launch("filesrc location=" + path + " ! zrvdemux ! fakesink");
    ASSERT_NE(p, nullptr);
    gst_element_set_state(p, GST_STATE_PLAYING);
    std::string end = WaitForEnd(p, kLimit);
    EXPECT_NE(end, "timeout");
    EXPECT_EQ(gst_element_set_state(p, GST_STATE_NULL), GST_STATE_CHANGE_SUCCESS);
    gst_object_unref(p);
    std::chrono::duration<double, std::milli> played = std::chrono::steady_clock::now() - start;
    std::printf("%s: discovered in %.1f ms, played to %s in %.1f ms\n",
                std::filesystem::path(path).filename().c_str(), discovered.count(),
                end.empty() ? "its end" : "an error", played.count());
  }
  g_object_unref(d);
}
