#include "zrv_demux.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "audio_source_stream.h"
#include "pad_byte_source.h"
#include "pad_output.h"
#include "pellaquin.h"
#include "pellaquin_ids.h"
#include "video_source_stream.h"

GST_DEBUG_CATEGORY_STATIC(zrv_demux_debug);
#define GST_CAT_DEFAULT zrv_demux_debug

namespace {

// Counts the filter's events; the end of the video is logged once per run.
class EventSink final : public pellaquin::IEventSink {
public:
  explicit EventSink(GstElement* element) : element_(element) {}
  void NotifyEvent(long code, intptr_t, intptr_t) override {
    if (code == pellaquin::EC_COMPLETE) {
      ++complete_;
      GST_INFO_OBJECT(element_, "recording complete");
    } else if (code == pellaquin::EC_ERRORABORT) {
      GST_ELEMENT_ERROR(element_, STREAM, FAILED, (nullptr), ("streaming stopped"));
    }
  }
  std::atomic<int> complete_{0};

private:
  GstElement* element_;
};

void DebugToGst(const char* text) { GST_CAT_INFO(zrv_demux_debug, "%s", text); }

}  // namespace

struct _GstZrvDemux {
  GstElement parent;
  GstPad* sinkpad;
  // Application thread (state changes, seeks) and the loading task; the
  // pins' streaming threads only reach them through the outputs.
  std::mutex* lock;
  EventSink* events;
  pellaquin::CPellaquin* filter;
  pellaquin::CPellaquin* loaded;  // read at activation, not yet exposed
  pellaquin::PadOutput* video_out;
  pellaquin::PadOutput* audio_out;
  GstPad* videopad;
  GstPad* audiopad;
  guint32 last_seek_seqnum;
  // Read by queries on streaming threads, which must not wait for a seek.
  std::atomic<gint64>* duration;
};

G_DEFINE_TYPE(GstZrvDemux, gst_zrv_demux, GST_TYPE_ELEMENT)

static GstStaticPadTemplate sink_template =
    GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-zrv"));
static GstStaticPadTemplate audio_template = GST_STATIC_PAD_TEMPLATE(
    "audio", GST_PAD_SRC, GST_PAD_SOMETIMES,
    GST_STATIC_CAPS("audio/x-raw, format=(string)S16LE, rate=(int)8000, channels=(int)1, "
                    "layout=(string)interleaved"));
static GstStaticPadTemplate video_template = GST_STATIC_PAD_TEMPLATE(
    "video", GST_PAD_SRC, GST_PAD_SOMETIMES,
    GST_STATIC_CAPS("video/x-h264, stream-format=(string)byte-stream, alignment=(string)au; "
                    "video/x-h263, variant=(string)itu"));

static GstCaps* VideoCaps(pellaquin::VideoCodec codec) {
  const char* base = codec == pellaquin::VideoCodec::kH263
                         ? "video/x-h263, variant=(string)itu"
                         : "video/x-h264, stream-format=(string)byte-stream, alignment=(string)au";
  GstCaps* caps = gst_caps_from_string(base);
  gst_caps_set_simple(caps, "width", G_TYPE_INT, pellaquin::CVideoSourceStream::kWidth, "height",
                      G_TYPE_INT, pellaquin::CVideoSourceStream::kHeight, "framerate",
                      GST_TYPE_FRACTION, 10, 1, nullptr);
  return caps;
}

// Stops the pins and drops the source pads (application thread).
static void Teardown(GstZrvDemux* self) {
  delete self->loaded;
  self->loaded = nullptr;
  if (self->filter) self->filter->Stop();
  delete self->filter;
  self->filter = nullptr;
  delete self->video_out;
  delete self->audio_out;
  self->video_out = self->audio_out = nullptr;
  for (GstPad** pad : {&self->videopad, &self->audiopad}) {
    if (*pad) {
      gst_pad_set_active(*pad, FALSE);
      gst_element_remove_pad(GST_ELEMENT(self), *pad);
      *pad = nullptr;
    }
  }
}

static gboolean SrcQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
  GstZrvDemux* self = GST_ZRV_DEMUX(parent);
  switch (GST_QUERY_TYPE(query)) {
    case GST_QUERY_DURATION: {
      GstFormat format;
      gst_query_parse_duration(query, &format, nullptr);
      gint64 duration = self->duration->load();
      if (format != GST_FORMAT_TIME || duration < 0) return FALSE;
      gst_query_set_duration(query, GST_FORMAT_TIME, duration);
      return TRUE;
    }
    case GST_QUERY_SEEKING: {
      GstFormat format;
      gst_query_parse_seeking(query, &format, nullptr, nullptr, nullptr);
      gint64 duration = self->duration->load();
      if (format != GST_FORMAT_TIME || duration < 0) return FALSE;
      gst_query_set_seeking(query, GST_FORMAT_TIME, TRUE, 0, duration);
      return TRUE;
    }
    default:
      return gst_pad_query_default(pad, parent, query);
  }
}

static gboolean HandleSeek(GstZrvDemux* self, GstEvent* event) {
  gdouble rate;
  GstFormat format;
  GstSeekFlags flags;
  GstSeekType start_type, stop_type;
  gint64 start, stop;
  gst_event_parse_seek(event, &rate, &format, &flags, &start_type, &start, &stop_type, &stop);
  guint32 seqnum = gst_event_get_seqnum(event);
  std::lock_guard<std::mutex> lock(*self->lock);
  if (!self->filter || format != GST_FORMAT_TIME || rate != 1.0) return FALSE;
  // Each sink sends the same seek up its own pad: act on it once.
  if (seqnum == self->last_seek_seqnum) return TRUE;
  if (start_type == GST_SEEK_TYPE_NONE) return TRUE;
  if (start_type != GST_SEEK_TYPE_SET || start < 0) return FALSE;
  int64_t position = start / 100;
  pellaquin::CVideoSourceStream* video = self->filter->video_pin();
  if (!video) return FALSE;
  self->video_out->PrepareSeek(seqnum);
  if (self->audio_out) self->audio_out->PrepareSeek(seqnum);
  // The video pin refuses seeks once it has read its last entry, until the
  // pins start again. Downstream queues take in the whole of a short
  // recording long before it has been shown, so here that is the normal
  // state when a user seeks: the pins' threads are idle after their end of
  // stream, and the seek restarts them at the new place. A second try covers
  // the pin reaching its end just as the first one looked.
  pellaquin::HRESULT hr = pellaquin::S_FALSE;
  bool rewound = false;
  for (int attempt = 0; attempt < 2 && hr != pellaquin::S_OK; ++attempt) {
    if (self->filter->reader_state() == pellaquin::kReaderEnded) {
      self->filter->set_reader_state(pellaquin::kReaderStreaming);
      rewound = true;
    }
    int64_t at = position;
    hr = video->SetPositions(&at, pellaquin::AM_SEEKING_AbsolutePositioning, nullptr,
                             pellaquin::AM_SEEKING_NoPositioning);
  }
  if (hr != pellaquin::S_OK) {
    // Nothing moved: the pins stay at their end.
    if (rewound) self->filter->set_reader_state(pellaquin::kReaderEnded);
    GST_DEBUG_OBJECT(self, "seek to %" GST_TIME_FORMAT " refused", GST_TIME_ARGS(start));
    return FALSE;
  }
  self->last_seek_seqnum = seqnum;
  if (pellaquin::CAudioSourceStream* audio = self->filter->audio_pin()) {
    int64_t audio_at = position;
    audio->SetPositions(&audio_at, pellaquin::AM_SEEKING_AbsolutePositioning, nullptr,
                        pellaquin::AM_SEEKING_NoPositioning);
  }
  return TRUE;
}

static gboolean SrcEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
  GstZrvDemux* self = GST_ZRV_DEMUX(parent);
  if (GST_EVENT_TYPE(event) == GST_EVENT_SEEK) {
    gboolean ok = HandleSeek(self, event);
    gst_event_unref(event);
    return ok;
  }
  if (GST_EVENT_TYPE(event) == GST_EVENT_QOS || GST_EVENT_TYPE(event) == GST_EVENT_NAVIGATION ||
      GST_EVENT_TYPE(event) == GST_EVENT_RECONFIGURE || GST_EVENT_TYPE(event) == GST_EVENT_LATENCY) {
    gst_event_unref(event);
    return TRUE;
  }
  return gst_pad_event_default(pad, parent, event);
}

static GstPad* AddSourcePad(GstStaticPadTemplate* tmpl, const char* name) {
  GstPad* pad = gst_pad_new_from_static_template(tmpl, name);
  gst_pad_set_query_function(pad, SrcQuery);
  gst_pad_set_event_function(pad, SrcEvent);
  gst_pad_use_fixed_caps(pad);
  gst_pad_set_active(pad, TRUE);
  return pad;
}

// The sink pad's task: loads the recording once, exposes the pins and starts
// their streaming threads, then pauses itself.
// Reads the recording's header and tables while the sink pad activates, so
// that a file that cannot be played fails the state change itself: an error
// posted later from the task can be lost by a bin that is still trying
// elements out (such bins drop what a candidate posts while they change its
// state, and then wait for data that never comes).
static gboolean LoadRecording(GstZrvDemux* self) {
  std::unique_lock<std::mutex> lock(*self->lock);
  if (self->filter || self->loaded) return TRUE;
  auto* filter = new pellaquin::CPellaquin(self->events);
  gchar* uri = nullptr;
  GstQuery* q = gst_query_new_uri();
  if (gst_pad_peer_query(self->sinkpad, q)) gst_query_parse_uri(q, &uri);
  gst_query_unref(q);
  pellaquin::HRESULT hr =
      filter->LoadFrom(std::make_unique<pellaquin::PadByteSource>(self->sinkpad), uri ? uri : "", nullptr);
  g_free(uri);
  if (hr != pellaquin::S_OK) {
    delete filter;
    lock.unlock();
    GST_ELEMENT_ERROR(self, STREAM, DEMUX, ("This is not a playable ZRV recording."),
                      ("bad header, segment chain or segment count"));
    return FALSE;
  }
  self->loaded = filter;
  return TRUE;
}

// Exposes the loaded recording's pads and starts its pins.
static void LoadTask(GstZrvDemux* self) {
  gst_pad_pause_task(self->sinkpad);
  std::unique_lock<std::mutex> lock(*self->lock);
  if (self->filter || !self->loaded) return;
  pellaquin::CPellaquin* filter = self->loaded;
  self->loaded = nullptr;
  self->filter = filter;
  self->duration->store(filter->duration() * 100);
  GstPad* video = AddSourcePad(&video_template, "video");
  GstCaps* vcaps = VideoCaps(filter->codec());
  // Both pads' segments start where the video pin last located: after a
  // seek that is the key picture it starts from, so positions stay true.
  pellaquin::CVideoSourceStream* vpin = filter->video_pin();
  auto segment_time = [vpin] { return pellaquin::SampleTimeToClockTime(vpin->located_media_time()); };
  self->video_out = new pellaquin::PadOutput(GST_ELEMENT(self), video, vcaps, false, segment_time);
  gst_caps_unref(vcaps);
  filter->video_pin()->Connect(self->video_out);
  self->videopad = video;
  GstPad* audio = nullptr;
  if (filter->audio_pin()) {
    audio = AddSourcePad(&audio_template, "audio");
    GstCaps* acaps = gst_static_pad_template_get_caps(&audio_template);
    self->audio_out = new pellaquin::PadOutput(GST_ELEMENT(self), audio, acaps, true, segment_time);
    gst_caps_unref(acaps);
    filter->audio_pin()->Connect(self->audio_out);
    self->audiopad = audio;
  }
  lock.unlock();
  // Adding pads lets the application link them (its handlers may query us).
  gst_element_add_pad(GST_ELEMENT(self), video);
  if (audio) gst_element_add_pad(GST_ELEMENT(self), audio);
  gst_element_no_more_pads(GST_ELEMENT(self));
  gst_element_post_message(GST_ELEMENT(self), gst_message_new_duration_changed(GST_OBJECT(self)));
  lock.lock();
  if (self->filter == filter) filter->Pause();
}

static gboolean SinkActivate(GstPad* pad, GstObject*) {
  GstQuery* query = gst_query_new_scheduling();
  gboolean pull = gst_pad_peer_query(pad, query) &&
                  gst_query_has_scheduling_mode_with_flags(query, GST_PAD_MODE_PULL, GST_SCHEDULING_FLAG_SEEKABLE);
  gst_query_unref(query);
  if (!pull) {
    GST_ERROR_OBJECT(pad, "upstream cannot hand out ranges; ZRV recordings are read by position");
    return FALSE;
  }
  return gst_pad_activate_mode(pad, GST_PAD_MODE_PULL, TRUE);
}

static gboolean SinkActivateMode(GstPad* pad, GstObject* parent, GstPadMode mode, gboolean active) {
  GstZrvDemux* self = GST_ZRV_DEMUX(parent);
  if (mode != GST_PAD_MODE_PULL) return FALSE;
  if (active) {
    if (!LoadRecording(self)) return FALSE;
    return gst_pad_start_task(pad, reinterpret_cast<GstTaskFunction>(LoadTask), self, nullptr);
  }
  gboolean ok = gst_pad_stop_task(pad);
  std::lock_guard<std::mutex> lock(*self->lock);
  if (self->filter) self->filter->Stop();
  return ok;
}

static GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
  GstZrvDemux* self = GST_ZRV_DEMUX(element);
  GstStateChangeReturn ret = GST_ELEMENT_CLASS(gst_zrv_demux_parent_class)->change_state(element, transition);
  if (transition == GST_STATE_CHANGE_PAUSED_TO_READY) {
    std::lock_guard<std::mutex> lock(*self->lock);
    Teardown(self);
    self->last_seek_seqnum = GST_SEQNUM_INVALID;
    self->duration->store(-1);
  }
  return ret;
}

static void Finalize(GObject* object) {
  GstZrvDemux* self = GST_ZRV_DEMUX(object);
  {
    std::lock_guard<std::mutex> lock(*self->lock);
    Teardown(self);
  }
  delete self->events;
  delete self->lock;
  delete self->duration;
  G_OBJECT_CLASS(gst_zrv_demux_parent_class)->finalize(object);
}

static void gst_zrv_demux_class_init(GstZrvDemuxClass* klass) {
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  element_class->change_state = ChangeState;
  gst_element_class_add_static_pad_template(element_class, &sink_template);
  // Registered pin order: audio, then video.
  gst_element_class_add_static_pad_template(element_class, &audio_template);
  gst_element_class_add_static_pad_template(element_class, &video_template);
  gst_element_class_set_static_metadata(
      element_class, pellaquin::kFilterName, "Codec/Demuxer",
      "Plays .zrv camera recordings (stored RTP video) with seeking to key pictures",
      "Pellaquin");
  std::string clsid = pellaquin::GuidToString(pellaquin::CLSID_Pellaquin);
  gst_element_class_add_metadata(element_class, "class-id", clsid.c_str());
  gst_element_class_add_static_metadata(element_class, "template-name", pellaquin::kTemplateName);
  gst_element_class_add_static_metadata(element_class, "pins", "Audio, Video");
  gst_element_class_add_static_metadata(element_class, "merit", "0x200000 (normal)");
  GST_DEBUG_CATEGORY_INIT(zrv_demux_debug, "zrvdemux", 0, "ZRV recording demuxer");
  pellaquin::SetDebugOutput(DebugToGst);
}

static void gst_zrv_demux_init(GstZrvDemux* self) {
  self->lock = new std::mutex;
  self->duration = new std::atomic<gint64>(-1);
  self->events = new EventSink(GST_ELEMENT(self));
  self->filter = nullptr;
  self->loaded = nullptr;
  self->video_out = self->audio_out = nullptr;
  self->videopad = self->audiopad = nullptr;
  self->last_seek_seqnum = GST_SEQNUM_INVALID;
  self->sinkpad = gst_pad_new_from_static_template(&sink_template, "sink");
  gst_pad_set_activate_function(self->sinkpad, SinkActivate);
  gst_pad_set_activatemode_function(self->sinkpad, SinkActivateMode);
  gst_element_add_pad(GST_ELEMENT(self), self->sinkpad);
}

GST_ELEMENT_REGISTER_DEFINE(zrvdemux, "zrvdemux", GST_RANK_PRIMARY, GST_TYPE_ZRV_DEMUX);
