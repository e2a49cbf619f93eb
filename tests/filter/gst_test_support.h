#pragma once
// Media framework set-up for in-process pipeline tests: the plug-in is found
// through GST_PLUGIN_PATH (the build folder), with a registry of the test's
// own, scanned in-process (the scanner helper cannot load sanitized code).
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline void InitGstForTests(const char* registry_name) {
  static bool done = false;
  if (done) return;
  done = true;
  setenv("GST_PLUGIN_PATH", PELLAQUIN_PLUGIN_DIR, 1);
  setenv("GST_REGISTRY", (std::string(PELLAQUIN_TEST_DIR) + "/" + registry_name).c_str(), 1);
  setenv("GST_REGISTRY_FORK", "no", 1);
  gst_init(nullptr, nullptr);
}

// Waits for the end of the stream or an error; returns the error text
// ("" at the end, "timeout" if neither came).
inline std::string WaitForEnd(GstElement* pipeline, int seconds = 120) {
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* msg = gst_bus_timed_pop_filtered(bus, GstClockTime(seconds) * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  std::string result = "timeout";
  if (msg) {
    result.clear();
    if (GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
      GError* err = nullptr;
      gchar* dbg = nullptr;
      gst_message_parse_error(msg, &err, &dbg);
      result = std::string(err ? err->message : "error") + " (" + (dbg ? dbg : "") + ")";
      g_clear_error(&err);
      g_free(dbg);
    }
    gst_message_unref(msg);
  }
  gst_object_unref(bus);
  return result;
}
