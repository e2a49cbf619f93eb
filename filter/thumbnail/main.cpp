// pellaquin-thumbnail [-s SIZE] IN OUT.png: the first picture of a
// recording, scaled so that its longer side is SIZE pixels, for file
// managers. Gives up within 10 s on any input and never leaves a partial
// picture under OUT.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <signal.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "output_file.h"

namespace {

constexpr int kGiveUpSeconds = 9;  // file managers allow 10
constexpr const char* kUsage = "usage: pellaquin-thumbnail [-s SIZE] IN OUT.png\n";

// The temporary picture, removed by the alarm when time runs out.
char g_temp[4096];

void GiveUp(int) {
  if (g_temp[0]) unlink(g_temp);
  static const char msg[] = "pellaquin-thumbnail: gave up: the file took too long to read\n";
  ssize_t ignored = write(STDERR_FILENO, msg, sizeof msg - 1);
  (void)ignored;
  _exit(1);
}

void PadAdded(GstElement*, GstPad* pad, gpointer user) {
  GstElement* convert = static_cast<GstElement*>(user);
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (!caps) caps = gst_pad_query_caps(pad, nullptr);
  const bool video = caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-raw");
  if (caps) gst_caps_unref(caps);
  if (!video) return;
  GstPad* sinkpad = gst_element_get_static_pad(convert, "sink");
  if (!gst_pad_is_linked(sinkpad)) gst_pad_link(pad, sinkpad);
  gst_object_unref(sinkpad);
}

// The first decoded picture as an image; a null image with a message when
// there is none.
QImage FirstPicture(const std::string& path, std::string* error) {
  GstElement* pipeline = gst_pipeline_new("thumbnail");
  GstElement* src = gst_element_factory_make("filesrc", nullptr);
  GstElement* decode = gst_element_factory_make("decodebin", nullptr);
  GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement* scale = gst_element_factory_make("videoscale", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!pipeline || !src || !decode || !convert || !scale || !sink) {
    *error = "the media framework's base elements are missing";
    return QImage();
  }
  g_object_set(src, "location", path.c_str(), nullptr);
  GstCaps* caps = gst_caps_from_string("video/x-raw, format=BGRx, pixel-aspect-ratio=1/1");
  g_object_set(sink, "caps", caps, "sync", FALSE, "max-buffers", 1u, nullptr);
  gst_caps_unref(caps);
  gst_bin_add_many(GST_BIN(pipeline), src, decode, convert, scale, sink, nullptr);
  gst_element_link(src, decode);
  gst_element_link_many(convert, scale, sink, nullptr);
  g_signal_connect(decode, "pad-added", G_CALLBACK(PadAdded), convert);
  QImage image;
  if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    *error = "cannot read " + path;
  } else {
    GstBus* bus = gst_element_get_bus(pipeline);
    for (;;) {
      if (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 100 * GST_MSECOND)) {
        GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        int width = 0, height = 0;
        gst_structure_get_int(s, "width", &width);
        gst_structure_get_int(s, "height", &height);
        GstMapInfo map;
        GstBuffer* buf = gst_sample_get_buffer(sample);
        if (width > 0 && height > 0 && gst_buffer_map(buf, &map, GST_MAP_READ)) {
          // Rows are padded to 4 bytes, which BGRx always is.
          const size_t stride = static_cast<size_t>(width) * 4;
          if (map.size >= stride * static_cast<size_t>(height))
            image = QImage(map.data, width, height, static_cast<qsizetype>(stride), QImage::Format_RGB32).copy();
          gst_buffer_unmap(buf, &map);
        }
        gst_sample_unref(sample);
        if (image.isNull()) *error = "the picture could not be read";
        break;
      }
      if (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* err = nullptr;
        gst_message_parse_error(msg, &err, nullptr);
        *error = err ? err->message : "cannot read the file";
        g_clear_error(&err);
        gst_message_unref(msg);
        break;
      }
      if (gst_app_sink_is_eos(GST_APP_SINK(sink))) {
        *error = "the file holds no picture";
        break;
      }
    }
    gst_object_unref(bus);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGALRM, GiveUp);
  alarm(kGiveUpSeconds);
  gst_init(&argc, &argv);
  int size = 256;
  std::string in, out;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "-s" || a == "--size") {
      char* end = nullptr;
      long v = i + 1 < argc ? std::strtol(argv[++i], &end, 10) : 0;
      if (!end || *end || v < 1 || v > 4096) {
        std::fprintf(stderr, "pellaquin-thumbnail: the size is a number of pixels from 1 to 4096\n");
        return 2;
      }
      size = static_cast<int>(v);
    } else if (in.empty()) {
      in = a;
    } else if (out.empty()) {
      out = a;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string error;
  QImage picture = FirstPicture(in, &error);
  if (picture.isNull()) {
    std::fprintf(stderr, "pellaquin-thumbnail: %s: %s\n", in.c_str(), error.c_str());
    return 1;
  }
  QImage scaled = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  pellaquin::OutputFile file;
  if (!file.Create(out, &error)) {
    std::fprintf(stderr, "pellaquin-thumbnail: %s\n", error.c_str());
    return 1;
  }
  std::snprintf(g_temp, sizeof g_temp, "%s", file.temp_path().c_str());
  if (!scaled.save(QString::fromStdString(file.temp_path()), "PNG") || !file.Commit(true, &error)) {
    g_temp[0] = 0;
    std::fprintf(stderr, "pellaquin-thumbnail: cannot write %s%s%s\n", out.c_str(), error.empty() ? "" : ": ",
                 error.c_str());
    return 1;
  }
  g_temp[0] = 0;
  return 0;
}
