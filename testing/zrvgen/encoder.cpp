#include "encoder.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <cstdio>

namespace zrvgen {

bool EncodePictures(const EncodeOptions& o, std::vector<Picture>* out, std::string* error) {
  char desc[1024];
  const char* pattern = o.plain ? "black" : "smpte";
  // No B-pictures: stored camera streams are in presentation order.
  if (o.codec == Codec::kH264) {
    std::snprintf(desc, sizeof desc,
                  "videotestsrc num-buffers=%d pattern=%s ! "
                  "video/x-raw,format=I420,width=640,height=480,framerate=%d/1 ! "
                  "%s"
                  "x264enc key-int-max=%d bframes=0 aud=false byte-stream=true "
                  "speed-preset=ultrafast tune=zerolatency threads=1 ! "
                  "video/x-h264,stream-format=byte-stream,alignment=au ! appsink name=out sync=false",
                  o.pictures, pattern, o.fps, o.plain ? "" : "timeoverlay font-desc=\"Sans 36\" ! ",
                  o.key_interval);
  } else {
    std::snprintf(desc, sizeof desc,
                  "videotestsrc num-buffers=%d pattern=%s ! "
                  "video/x-raw,format=I420,width=352,height=288,framerate=%d/1 ! "
                  "%savenc_h263 gop-size=%d ! "
                  "appsink name=out sync=false",
                  o.pictures, pattern, o.fps, o.plain ? "" : "timeoverlay font-desc=\"Sans 24\" ! ",
                  o.key_interval);
  }
  GError* err = nullptr;
  GstElement* pipeline = gst_parse_launch(desc, &err);
  if (!pipeline || err) {
    if (error) *error = std::string("cannot build the encoder: ") + (err ? err->message : "?");
    if (err) g_error_free(err);
    if (pipeline) gst_object_unref(pipeline);
    return false;
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  out->clear();
  while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
    GstBuffer* buf = gst_sample_get_buffer(sample);
    Picture p;
    p.data.resize(gst_buffer_get_size(buf));
    gst_buffer_extract(buf, 0, p.data.data(), p.data.size());
    p.key = !GST_BUFFER_FLAG_IS_SET(buf, GST_BUFFER_FLAG_DELTA_UNIT);
    out->push_back(std::move(p));
    gst_sample_unref(sample);
  }
  bool ok = true;
  GstBus* bus = gst_element_get_bus(pipeline);
  if (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
    GError* e = nullptr;
    gst_message_parse_error(msg, &e, nullptr);
    if (error) *error = std::string("encoder failed: ") + (e ? e->message : "?");
    if (e) g_error_free(e);
    gst_message_unref(msg);
    ok = false;
  }
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  if (ok && static_cast<int>(out->size()) != o.pictures) {
    if (error) *error = "encoder gave " + std::to_string(out->size()) + " pictures";
    ok = false;
  }
  return ok;
}

}  // namespace zrvgen
