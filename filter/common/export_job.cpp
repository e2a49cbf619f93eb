#include "export_job.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <sys/stat.h>

#include <deque>

#include "output_file.h"

namespace pellaquin {

namespace {

constexpr GstClockTime kPullTimeout = 200 * GST_MSECOND;
// A recording whose reader delivers nothing for this long is not going to.
constexpr int kStallLimit = 150;  // pulls of kPullTimeout: 30 s

std::string ErrorText(GstMessage* msg) {
  GError* err = nullptr;
  gst_message_parse_error(msg, &err, nullptr);
  std::string text = err ? err->message : "unknown error";
  g_clear_error(&err);
  return text;
}

// The first error on a pipeline's bus, "" when there is none yet.
std::string BusError(GstElement* pipeline) {
  GstBus* bus = gst_element_get_bus(pipeline);
  std::string text;
  while (GstMessage* msg = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
    if (text.empty()) text = ErrorText(msg);
    gst_message_unref(msg);
  }
  gst_object_unref(bus);
  return text;
}

// filesrc ! zrvdemux (or any demuxer the framework finds) ! appsink, the
// video stream only.
class Reader {
public:
  ~Reader() {
    if (pipeline_) {
      gst_element_set_state(pipeline_, GST_STATE_NULL);
      gst_object_unref(pipeline_);
    }
    if (sink_) gst_object_unref(sink_);
  }

  bool Start(const std::string& path, std::string* error) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      *error = "cannot read " + path;
      return false;
    }
    pipeline_ = gst_pipeline_new("export-read");
    GstElement* src = gst_element_factory_make("filesrc", nullptr);
    GstElement* bin = gst_element_factory_make("parsebin", nullptr);
    sink_ = gst_element_factory_make("appsink", nullptr);
    if (!pipeline_ || !src || !bin || !sink_) {
      *error = "the media framework's base elements are missing";
      return false;
    }
    gst_object_ref(sink_);
    g_object_set(src, "location", path.c_str(), nullptr);
    GstCaps* caps = gst_caps_from_string("video/x-h264; video/x-h263");
    g_object_set(sink_, "sync", FALSE, "caps", caps, "max-buffers", 64u, nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(pipeline_), src, bin, sink_, nullptr);
    gst_element_link(src, bin);
    g_signal_connect(bin, "pad-added", G_CALLBACK(&Reader::PadAdded), sink_);
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      *error = BusError(pipeline_);
      if (error->empty()) *error = "cannot read " + path;
      return false;
    }
    return true;
  }

  // The next sample; null at the end (error() says whether that was a
  // failure) or after a stall.
  GstSample* Pull(std::atomic<bool>* cancel) {
    for (int stalls = 0; stalls < kStallLimit; ++stalls) {
      if (cancel && cancel->load()) {
        error_ = "cancelled";
        return nullptr;
      }
      if (GstSample* s = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), kPullTimeout)) return s;
      std::string bus = BusError(pipeline_);
      if (!bus.empty()) {
        error_ = bus;
        return nullptr;
      }
      if (gst_app_sink_is_eos(GST_APP_SINK(sink_))) return nullptr;
    }
    error_ = "the recording stopped delivering pictures";
    return nullptr;
  }

  int64_t Duration() {
    gint64 d = 0;
    return gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) ? d : 0;
  }
  const std::string& error() const { return error_; }

private:
  // parsebin exposes every stream; the video one goes to the sink, the
  // others stay unlinked and end on their own.
  static void PadAdded(GstElement*, GstPad* pad, gpointer user) {
    GstElement* sink = static_cast<GstElement*>(user);
    GstPad* sinkpad = gst_element_get_static_pad(sink, "sink");
    if (!gst_pad_is_linked(sinkpad)) gst_pad_link(pad, sinkpad);
    gst_object_unref(sinkpad);
  }

  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
  std::string error_;
};

// appsrc ! h264parse/h263parse ! mp4mux/3gppmux ! filesink.
class Writer {
public:
  ~Writer() {
    if (pipeline_) {
      gst_element_set_state(pipeline_, GST_STATE_NULL);
      gst_object_unref(pipeline_);
    }
  }

  bool Start(GstCaps* caps, const std::string& temp_path, std::string* error) {
    GstStructure* s = gst_caps_get_structure(caps, 0);
    const bool h263 = gst_structure_has_name(s, "video/x-h263");
    pipeline_ = gst_pipeline_new("export-write");
    src_ = gst_element_factory_make("appsrc", nullptr);
    GstElement* parse = gst_element_factory_make(h263 ? "h263parse" : "h264parse", nullptr);
    GstElement* mux = gst_element_factory_make(h263 ? "3gppmux" : "mp4mux", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    if (!pipeline_ || !src_ || !parse || !mux || !sink) {
      *error = std::string("the media framework's ") + (h263 ? "h263parse and 3gppmux" : "h264parse and mp4mux") +
               " elements are missing";
      for (GstElement* e : {src_, parse, mux, sink})
        if (e) gst_object_unref(e);
      src_ = nullptr;
      return false;
    }
    g_object_set(src_, "caps", caps, "format", GST_FORMAT_TIME, "is-live", FALSE, "block", TRUE,
                 "max-bytes", guint64(8 << 20), nullptr);
    g_object_set(sink, "location", temp_path.c_str(), nullptr);
    gst_bin_add_many(GST_BIN(pipeline_), src_, parse, mux, sink, nullptr);
    if (!gst_element_link_many(src_, parse, mux, sink, nullptr) ||
        gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      *error = BusError(pipeline_);
      if (error->empty()) *error = "cannot start writing " + temp_path;
      return false;
    }
    return true;
  }

  bool Push(GstBuffer* buffer, std::string* error) {
    if (gst_app_src_push_buffer(GST_APP_SRC(src_), buffer) != GST_FLOW_OK) {
      *error = BusError(pipeline_);
      if (error->empty()) *error = "writing stopped";
      return false;
    }
    return true;
  }

  // Ends the stream and waits until the muxer has written its index.
  bool Finish(std::atomic<bool>* cancel, std::string* error) {
    gst_app_src_end_of_stream(GST_APP_SRC(src_));
    GstBus* bus = gst_element_get_bus(pipeline_);
    bool ok = false;
    for (;;) {
      GstMessage* msg = gst_bus_timed_pop_filtered(bus, 200 * GST_MSECOND,
                                                   GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
      if (!msg) {
        if (cancel && cancel->load()) {
          *error = "cancelled";
          break;
        }
        continue;
      }
      ok = GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
      if (!ok) *error = ErrorText(msg);
      gst_message_unref(msg);
      break;
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    return ok;
  }

private:
  GstElement* pipeline_ = nullptr;
  GstElement* src_ = nullptr;
};

int64_t StreamTime(GstSample* sample) {
  GstBuffer* buf = gst_sample_get_buffer(sample);
  const GstSegment* seg = gst_sample_get_segment(sample);
  GstClockTime pts = GST_BUFFER_PTS(buf);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return -1;
  if (!seg) return static_cast<int64_t>(pts);
  guint64 t = 0;
  if (gst_segment_to_stream_time_full(seg, GST_FORMAT_TIME, pts, &t) != 1) return 0;
  return static_cast<int64_t>(t);
}

bool IsKey(GstSample* sample) {
  return !GST_BUFFER_FLAG_IS_SET(gst_sample_get_buffer(sample), GST_BUFFER_FLAG_DELTA_UNIT);
}

}  // namespace

std::string ExportExtension(const std::string& in_path, std::string* error) {
  Reader reader;
  if (!reader.Start(in_path, error)) return "";
  GstSample* first = reader.Pull(nullptr);
  if (!first) {
    *error = reader.error().empty() ? in_path + " holds no picture" : reader.error();
    return "";
  }
  GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(first), 0);
  std::string ext = gst_structure_has_name(s, "video/x-h263") ? "3gp" : "mp4";
  gst_sample_unref(first);
  return ext;
}

bool ExportRecording(const std::string& in_path, const std::string& out_path, const ExportRange& range,
                     bool replace, const ExportProgress& progress, std::atomic<bool>* cancel,
                     ExportResult* result, std::string* error) {
  *result = ExportResult();
  if (!replace && PathExists(out_path)) {
    *error = out_path + " exists (--force replaces it)";
    return false;
  }
  if (range.from >= 0 && range.to >= 0 && range.to <= range.from) {
    *error = "the end of the range must lie after its start";
    return false;
  }
  Reader reader;
  if (!reader.Start(in_path, error)) return false;
  OutputFile out;
  if (!out.Create(out_path, error)) return false;
  Writer writer;
  bool writing = false;
  // Pictures from the last key picture at or before the start, held until
  // the start is passed (or the recording ends).
  std::deque<GstSample*> held;
  int64_t base = -1, last_time = -1, prev_time = -1, duration = reader.Duration();
  bool failed = false, ended = false;
  auto write = [&](GstSample* sample) -> bool {
    if (!writing) {
      if (!writer.Start(gst_sample_get_caps(sample), out.temp_path(), error)) return false;
      writing = true;
    }
    int64_t t = StreamTime(sample);
    if (base < 0) base = t;
    GstBuffer* buf = gst_buffer_copy(gst_sample_get_buffer(sample));
    GST_BUFFER_PTS(buf) = static_cast<GstClockTime>(t - base);
    GST_BUFFER_DTS(buf) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buf) = GST_CLOCK_TIME_NONE;
    last_time = t;
    ++result->pictures;
    return writer.Push(buf, error);
  };
  auto flush_held = [&]() -> bool {
    bool ok = true;
    while (!held.empty()) {
      if (ok) ok = write(held.front());
      gst_sample_unref(held.front());
      held.pop_front();
    }
    return ok;
  };
  while (!failed && !ended) {
    GstSample* sample = reader.Pull(cancel);
    if (!sample) {
      if (!reader.error().empty()) {
        *error = reader.error();
        failed = true;
      }
      break;
    }
    int64_t t = StreamTime(sample);
    if (t < 0) t = prev_time < 0 ? 0 : prev_time;
    if (duration <= 0) duration = reader.Duration();
    if (progress) progress(t, duration);
    if (range.to >= 0 && t >= range.to && (base >= 0 || !held.empty())) {
      gst_sample_unref(sample);
      ended = true;
      break;
    }
    if (base < 0 && range.from >= 0 && t <= range.from) {
      // Before the start: keep only the pictures since the latest key one.
      if (IsKey(sample)) {
        for (GstSample* h : held) gst_sample_unref(h);
        held.clear();
      }
      if (!held.empty() || IsKey(sample)) held.push_back(sample);
      else gst_sample_unref(sample);
      prev_time = t;
      continue;
    }
    if (base < 0 && held.empty() && !IsKey(sample)) {
      // Nothing can be shown before the first key picture.
      gst_sample_unref(sample);
      continue;
    }
    if (!flush_held() || !write(sample)) failed = true;
    gst_sample_unref(sample);
    prev_time = t;
  }
  if (!failed && base < 0 && !held.empty() && range.from > prev_time) {
    // The recording ends before the start of the range.
    *error = in_path + ": the recording ends at " + std::to_string(prev_time / 1000000000) + " s, before the range";
    failed = true;
  }
  if (!failed && base < 0 && !flush_held()) failed = true;
  for (GstSample* h : held) gst_sample_unref(h);
  held.clear();
  if (!failed && result->pictures == 0) {
    *error = in_path + (range.from >= 0 ? ": no picture lies in the range" : ": no picture could be read");
    failed = true;
  }
  if (!failed && !writer.Finish(cancel, error)) failed = true;
  if (failed) {
    if (error->empty()) *error = "export failed";
    return false;
  }
  if (!out.Commit(replace, error)) return false;
  struct stat st;
  if (stat(out_path.c_str(), &st) == 0) result->bytes = static_cast<uint64_t>(st.st_size);
  result->first_time = base;
  result->duration = last_time - base;
  return true;
}

}  // namespace pellaquin
