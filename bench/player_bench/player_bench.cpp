// How soon the player window shows pictures: from opening a local file to
// its first picture, and from a seek to the picture at the new place.
// Medians and maxima; the reference in the same run is the time to decode
// the first picture with a bare pipeline (no window).
//
//   player_bench [--opens N] [--seeks N]
//
// Run it under the virtual display (QT_QPA_PLATFORM=xcb xvfb-run -a ...)
// or off screen (QT_QPA_PLATFORM=offscreen).
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "encoder.h"
#include "player_window.h"

namespace {

void Report(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  std::printf("%-34s median %6.1f ms   max %6.1f ms   (%zu runs)\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

double BarePipelineFirstPicture(const std::string& path) {
  QElapsedTimer t;
  t.start();
  GstElement* p = gst_parse_launch(("filesrc location=\"" + path +
                                    "\" ! decodebin ! videoconvert ! appsink name=s sync=false caps=video/x-raw")
                                       .c_str(),
                                   nullptr);
  GstElement* s = gst_bin_get_by_name(GST_BIN(p), "s");
  gst_element_set_state(p, GST_STATE_PLAYING);
  GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(s), 10 * GST_SECOND);
  double ms = double(t.nsecsElapsed()) / 1e6;
  if (sample) gst_sample_unref(sample);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(s);
  gst_object_unref(p);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  int opens = 10, seeks = 30;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--opens") opens = std::atoi(argv[++i]);
    if (std::string(argv[i]) == "--seeks") seeks = std::atoi(argv[++i]);
  }
  setenv("GST_PLUGIN_PATH", PELLAQUIN_PLUGIN_DIR, 0);
  setenv("GST_REGISTRY", PELLAQUIN_BENCH_REGISTRY, 0);
  gst_init(&argc, &argv);
  QApplication app(argc, argv);

  // One minute of 640x480 H.264, a key picture every second.
  zrvgen::EncodeOptions enc;
  enc.pictures = 600;
  enc.key_interval = 10;
  std::vector<zrvgen::Picture> pictures;
  std::string err;
  const std::string path = "/tmp/player_bench-" + std::to_string(getpid()) + ".zrv";
  if (!zrvgen::EncodePictures(enc, &pictures, &err) || !zrvgen::WriteRecording(path, pictures, {}, &err)) {
    std::fprintf(stderr, "player_bench: %s\n", err.c_str());
    return 1;
  }
  std::printf("platform: %s; recording: 60 s, 640x480 H.264\n", qPrintable(QApplication::platformName()));
  BarePipelineFirstPicture(path);  // warms the registry and the page cache
  std::vector<double> bare, first, seek;
  for (int i = 0; i < opens; ++i) bare.push_back(BarePipelineFirstPicture(path));

  pellaquin::PlayerWindow w;
  w.resize(800, 560);
  w.show();
  QTest::qWait(100);
  QSignalSpy frames(w.playback(), &pellaquin::Playback::frameChanged);
  for (int i = 0; i < opens; ++i) {
    w.playback()->Close();
    QTest::qWait(50);
    frames.clear();
    QElapsedTimer t;
    t.start();
    w.OpenFile(QString::fromStdString(path));
    if (!QTest::qWaitFor([&] { return frames.count() > 0; }, 10000)) {
      std::fprintf(stderr, "player_bench: no picture after opening\n");
      return 1;
    }
    first.push_back(double(t.nsecsElapsed()) / 1e6);
  }
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> at(0, 58);
  QTest::qWait(300);
  for (int i = 0; i < seeks; ++i) {
    frames.clear();
    QElapsedTimer t;
    t.start();
    w.playback()->Seek(qint64(at(rng)) * GST_SECOND + 500 * GST_MSECOND);
    if (!QTest::qWaitFor([&] { return frames.count() > 0; }, 10000)) {
      std::fprintf(stderr, "player_bench: no picture after a seek\n");
      return 1;
    }
    seek.push_back(double(t.nsecsElapsed()) / 1e6);
    QTest::qWait(100);
  }
  Report("bare pipeline, first picture", bare);
  // The first open also loads the playback elements into the process.
  std::printf("%-34s %6.1f ms\n", "window, first open of the run", first.front());
  std::printf("  every open (ms):");
  for (double v : first) std::printf(" %.0f", v);
  std::printf("\n");
  Report("window, open to first picture", first);
  Report("window, seek to new picture", seek);
  std::printf("targets: first picture within 300 ms, seek within 150 ms\n");
  w.playback()->Close();
  unlink(path.c_str());
  return 0;
}
