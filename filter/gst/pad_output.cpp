#include "pad_output.h"

namespace pellaquin {

GstClockTime SampleTimeToClockTime(int64_t time) {
  // Saturates below GST_CLOCK_TIME_NONE and within the signed range that
  // segment arithmetic downstream takes for granted.
  constexpr int64_t kMax = G_MAXINT64 / 100;
  if (time < 0) return 0;
  return static_cast<GstClockTime>(time > kMax ? kMax : time) * 100;
}

PadOutput::PadOutput(GstElement* element, GstPad* pad, GstCaps* caps, bool audio,
                     std::function<GstClockTime()> segment_time)
    : element_(element), pad_(GST_PAD(gst_object_ref(pad))), caps_(gst_caps_ref(caps)), audio_(audio),
      segment_time_(std::move(segment_time)) {}

PadOutput::~PadOutput() {
  gst_caps_unref(caps_);
  gst_object_unref(pad_);
}

void PadOutput::PrepareSeek(guint32 seqnum) {
  std::lock_guard<std::mutex> lock(mutex_);
  seqnum_ = seqnum;
}

void PadOutput::SendHeaders() {
  bool started, need_segment;
  guint32 seqnum;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    started = started_;
    need_segment = need_segment_;
    seqnum = seqnum_;
    started_ = true;
    need_segment_ = false;
  }
  if (!started) {
    gchar* id = gst_pad_create_stream_id(pad_, element_, audio_ ? "audio" : "video");
    GstEvent* ev = gst_event_new_stream_start(id);
    gst_event_set_group_id(ev, gst_util_group_id_next());
    g_free(id);
    gst_pad_push_event(pad_, ev);
    gst_pad_push_event(pad_, gst_event_new_caps(caps_));
  }
  if (need_segment) {
    // Sample times count from the start or the last seek; the segment's
    // time maps them onto the recording.
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    segment.time = segment_time_();
    GstEvent* ev = gst_event_new_segment(&segment);
    if (seqnum != GST_SEQNUM_INVALID) gst_event_set_seqnum(ev, seqnum);
    gst_pad_push_event(pad_, ev);
  }
}

HRESULT PadOutput::Deliver(const MediaSample& sample) {
  SendHeaders();
  GstBuffer* buf = gst_buffer_new_memdup(sample.data(), sample.actual_length());
  if (sample.has_time()) GST_BUFFER_PTS(buf) = SampleTimeToClockTime(sample.start_time());
  if (audio_) GST_BUFFER_DURATION(buf) = 20 * GST_MSECOND;
  if (!sample.sync_point()) GST_BUFFER_FLAG_SET(buf, GST_BUFFER_FLAG_DELTA_UNIT);
  GstFlowReturn ret = gst_pad_push(pad_, buf);
  last_flow_ = ret;
  if (ret == GST_FLOW_OK) return S_OK;
  // Flushing: a seek or a stop follows. Not linked or at its end: this
  // stream stops, the other may go on. Anything worse is the pipeline's
  // error to report.
  if (ret < GST_FLOW_EOS && ret != GST_FLOW_NOT_LINKED) {
    GST_ELEMENT_FLOW_ERROR(element_, ret);
    gst_pad_push_event(pad_, gst_event_new_eos());
  }
  return S_FALSE;
}

HRESULT PadOutput::DeliverBeginFlush() {
  GstEvent* ev = gst_event_new_flush_start();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seqnum_ != GST_SEQNUM_INVALID) gst_event_set_seqnum(ev, seqnum_);
  }
  gst_pad_push_event(pad_, ev);
  return S_OK;
}

HRESULT PadOutput::DeliverEndFlush() {
  GstEvent* ev = gst_event_new_flush_stop(TRUE);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seqnum_ != GST_SEQNUM_INVALID) gst_event_set_seqnum(ev, seqnum_);
    need_segment_ = true;
  }
  gst_pad_push_event(pad_, ev);
  return S_OK;
}

HRESULT PadOutput::DeliverEndOfStream() {
  SendHeaders();
  GstEvent* ev = gst_event_new_eos();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (seqnum_ != GST_SEQNUM_INVALID) gst_event_set_seqnum(ev, seqnum_);
  }
  gst_pad_push_event(pad_, ev);
  return S_OK;
}

}  // namespace pellaquin
