// Demuxing speed of .zrv recordings against a raw read of the same file in
// the same run, and the time of random flushing seeks.
//
//   zrv_bench [--minutes N] [--seeks N] [--keep FILE]
//
// The recording is N minutes (default 10) at 10 pictures a second, two
// segments: 30 s of real H.264 encoded once and repeated GOP by GOP.
#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "encoder.h"
#include "pellaquin.h"
#include "video_source_stream.h"
#include "zrv_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU seconds of the whole process (every thread): on a shared machine the
// wall clock mostly measures the neighbours.
double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Reads the whole file in 64 KiB blocks; returns seconds.
double RawRead(const std::string& path, size_t* bytes) {
  auto start = Clock::now();
  FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<char> buf(64 * 1024);
  *bytes = 0;
  size_t n;
  while (f && (n = std::fread(buf.data(), 1, buf.size(), f)) > 0) *bytes += n;
  if (f) std::fclose(f);
  return Seconds(start);
}

class CountingOutput : public pellaquin::IPinOutput, public pellaquin::IEventSink {
public:
  pellaquin::HRESULT Deliver(const pellaquin::MediaSample&) override {
    ++samples;
    return pellaquin::S_OK;
  }
  pellaquin::HRESULT DeliverBeginFlush() override { return pellaquin::S_OK; }
  pellaquin::HRESULT DeliverEndFlush() override { return pellaquin::S_OK; }
  pellaquin::HRESULT DeliverEndOfStream() override {
    std::lock_guard<std::mutex> l(m);
    ended = true;
    cv.notify_all();
    return pellaquin::S_OK;
  }
  void NotifyEvent(long, intptr_t, intptr_t) override {}
  void Wait() {
    std::unique_lock<std::mutex> l(m);
    cv.wait(l, [&] { return ended; });
  }
  std::atomic<long> samples{0};
  std::mutex m;
  std::condition_variable cv;
  bool ended = false;
};

// The pins alone, without the media framework; returns seconds.
double DirectPins(const std::string& path, long* pictures) {
  auto start = Clock::now();
  CountingOutput out;
  pellaquin::CPellaquin f(&out);
  if (f.Load(path.c_str(), nullptr) != pellaquin::S_OK) return -1;
  f.GetPin(0)->Connect(&out);
  f.Pause();
  out.Wait();
  f.Stop();
  *pictures = out.samples;
  return Seconds(start);
}

GstElement* Pipeline(const std::string& path) {
  std::string desc = "filesrc location=" + path +
                     " ! zrvdemux name=d d.video ! fakesink name=v sync=false signal-handoffs=true"
                     " d.audio ! fakesink sync=false";
  return gst_parse_launch(desc.c_str(), nullptr);
}

bool WaitEos(GstElement* p) {
  GstBus* bus = gst_element_get_bus(p);
  GstMessage* m = gst_bus_timed_pop_filtered(bus, 600 * GST_SECOND,
                                             GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  bool ok = m && GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
  if (m) gst_message_unref(m);
  gst_object_unref(bus);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  int minutes = 10, seeks = 100;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--minutes" && i + 1 < argc) minutes = std::atoi(argv[++i]);
    else if (a == "--seeks" && i + 1 < argc) seeks = std::atoi(argv[++i]);
    else if (a == "--keep" && i + 1 < argc) keep = argv[++i];
    else {
      std::fprintf(stderr, "usage: zrv_bench [--minutes N] [--seeks N] [--keep FILE]\n");
      return 2;
    }
  }
  if (minutes < 1) minutes = 1;
  setenv("GST_PLUGIN_PATH", PELLAQUIN_PLUGIN_DIR, 0);
  setenv("GST_REGISTRY", PELLAQUIN_BENCH_REGISTRY, 0);
  gst_init(&argc, &argv);

  zrvgen::EncodeOptions enc;
  enc.pictures = 300;
  enc.key_interval = 10;
  std::vector<zrvgen::Picture> gop, pictures;
  std::string err;
  auto t0 = Clock::now();
  if (!zrvgen::EncodePictures(enc, &gop, &err)) {
    std::fprintf(stderr, "zrv_bench: %s\n", err.c_str());
    return 1;
  }
  const size_t total = size_t(minutes) * 60 * 10;
  for (size_t i = 0; i < total; ++i) pictures.push_back(gop[i % gop.size()]);
  std::string path = keep.empty() ? "/tmp/zrv_bench-" + std::to_string(getpid()) + ".zrv" : keep;
  zrvgen::Options o;
  if (!zrvgen::WriteRecording(path, pictures, o, &err)) {
    std::fprintf(stderr, "zrv_bench: %s\n", err.c_str());
    return 1;
  }
  std::printf("recording: %d min, %zu pictures, made in %.1f s\n", minutes, total, Seconds(t0));

  size_t bytes = 0;
  RawRead(path, &bytes);  // the page cache holds it for every reader below
  double c0 = CpuNow();
  double raw = RawRead(path, &bytes);
  double raw_cpu = CpuNow() - c0;
  std::printf("%-22s %8s %8s %14s %14s\n", "", "wall s", "cpu s", "pictures/s cpu", "vs raw (cpu)");
  std::printf("%-22s %8.3f %8.3f %14.0f %13.1f%%   (%.0f MB)\n", "raw read (64 KiB)", raw, raw_cpu,
              static_cast<double>(total) / raw_cpu, 100.0, static_cast<double>(bytes) / 1e6);

  long direct_pictures = 0;
  c0 = CpuNow();
  double direct = DirectPins(path, &direct_pictures);
  double direct_cpu = CpuNow() - c0;
  std::printf("%-22s %8.3f %8.3f %14.0f %13.1f%%   (%ld pictures)\n", "pins, no framework", direct, direct_cpu,
              static_cast<double>(direct_pictures) / direct_cpu, 100.0 * raw_cpu / direct_cpu, direct_pictures);

  GstElement* p = Pipeline(path);
  std::atomic<long> demuxed{0};
  GstElement* v = gst_bin_get_by_name(GST_BIN(p), "v");
  g_signal_connect(v, "handoff",
                   G_CALLBACK(+[](GstElement*, GstBuffer*, GstPad*, gpointer n) { ++*static_cast<std::atomic<long>*>(n); }),
                   &demuxed);
  c0 = CpuNow();
  auto t1 = Clock::now();
  gst_element_set_state(p, GST_STATE_PLAYING);
  bool ok = WaitEos(p);
  double demux = Seconds(t1);
  double demux_cpu = CpuNow() - c0;
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(v);
  gst_object_unref(p);
  std::printf("%-22s %8.3f %8.3f %14.0f %13.1f%%   (%ld pictures%s)\n", "zrvdemux ! fakesink", demux, demux_cpu,
              static_cast<double>(demuxed.load()) / demux_cpu, 100.0 * raw_cpu / demux_cpu, demuxed.load(), ok ? "" : ", NO EOS");

  p = Pipeline(path);
  gst_element_set_state(p, GST_STATE_PAUSED);
  gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND);
  std::mt19937 rng(7);
  c0 = CpuNow();
  auto t2 = Clock::now();
  int done = 0;
  for (int i = 0; i < seeks; ++i) {
    GstClockTime t = GstClockTime(rng() % (total * 100)) * GST_MSECOND;
    if (gst_element_seek_simple(p, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), t) &&
        gst_element_get_state(p, nullptr, nullptr, 60 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS)
      ++done;
  }
  double seek_time = Seconds(t2);
  double seek_cpu = CpuNow() - c0;
  std::printf("%d flushing seeks: %.3f s wall, %.3f s cpu (%.2f ms cpu each), %d completed\n", seeks, seek_time,
              seek_cpu, 1000 * seek_cpu / seeks, done);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(p);
  if (keep.empty()) std::remove(path.c_str());
  return ok && done == seeks ? 0 : 1;
}
