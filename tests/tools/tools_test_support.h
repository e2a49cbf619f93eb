#pragma once
// Shared by the recording tools' tests: generated recordings, running the
// programs, and counting the pictures a file decodes to.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "encoder.h"
#include "filter_test_support.h"
#include "gst_test_support.h"

extern "C" const char* __lsan_default_suppressions();

// The programs run sanitized in the sanitizer builds: they get the same
// leak suppressions as the tests, through a file.
inline void ShareLeakSuppressions(const std::string& folder) {
  const std::string file = folder + "/lsan-suppressions.txt";
  if (FILE* f = std::fopen(file.c_str(), "w")) {
    std::fputs(__lsan_default_suppressions(), f);
    std::fclose(f);
  }
  setenv("LSAN_OPTIONS", ("suppressions=" + file).c_str(), 1);
}

struct ProgramRun {
  int status = -1;  // exit status, -1 when killed or not run
  std::string output;  // standard output and standard error
  double seconds = 0;
};

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline ProgramRun RunProgram(const std::string& command) {
  ProgramRun run;
  auto start = std::chrono::steady_clock::now();
  if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, p)) run.output += buf;
    int st = pclose(p);
    run.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

// A freshly encoded recording; fails the calling test on error.
inline void MakeRecording(const std::string& path, int pictures, int key_interval,
                          zrvgen::Codec codec = zrvgen::Codec::kH264, int segments = 2,
                          std::vector<zrvgen::Picture>* encoded = nullptr) {
  zrvgen::EncodeOptions enc;
  enc.pictures = pictures;
  enc.key_interval = key_interval;
  enc.codec = codec;
  std::vector<zrvgen::Picture> local;
  std::vector<zrvgen::Picture>& out = encoded ? *encoded : local;
  std::string err;
  ASSERT_TRUE(zrvgen::EncodePictures(enc, &out, &err)) << err;
  zrvgen::Options o;
  o.codec = codec;
  o.segments = segments;
  ASSERT_TRUE(zrvgen::WriteRecording(path, out, o, &err)) << err;
}

// Decodes a file with the media framework (our plug-in included) and
// returns its pictures' times in ns; "error" set on failure.
inline std::vector<GstClockTime> DecodedPictures(const std::string& path, std::string* error) {
  std::vector<GstClockTime> times;
  GError* err = nullptr;
  GstElement* p = gst_parse_launch(("filesrc location=\"" + path +
                                    "\" ! decodebin ! videoconvert ! appsink name=s sync=false caps=video/x-raw")
                                       .c_str(),
                                   &err);
  if (err) {
    *error = err->message;
    g_error_free(err);
    if (p) gst_object_unref(p);
    return times;
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(p), "s");
  GstBus* bus = gst_element_get_bus(p);
  gst_element_set_state(p, GST_STATE_PLAYING);
  for (auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < std::chrono::minutes(2);) {
    if (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 100 * GST_MSECOND)) {
      times.push_back(GST_BUFFER_PTS(gst_sample_get_buffer(s)));
      gst_sample_unref(s);
      continue;
    }
    if (gst_app_sink_is_eos(GST_APP_SINK(sink))) break;
    if (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
      GError* e = nullptr;
      gst_message_parse_error(msg, &e, nullptr);
      *error = e ? e->message : "error";
      g_clear_error(&e);
      gst_message_unref(msg);
      break;
    }
  }
  gst_object_unref(bus);
  gst_element_set_state(p, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(p);
  return times;
}
