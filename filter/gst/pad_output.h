#pragma once
// Hands one pin's samples and flushes to a source pad: the stream-start,
// caps and segment events go out before the first buffer and a segment again
// after every flush.
#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <mutex>

#include "source_stream.h"

namespace pellaquin {

// A sample time (100 ns, may be negative or huge) as a valid buffer time.
GstClockTime SampleTimeToClockTime(int64_t time);

class PadOutput final : public IPinOutput {
public:
  // segment_time tells, when a segment is due, which stream position (ns)
  // the pin's sample times count from.
  PadOutput(GstElement* element, GstPad* pad, GstCaps* caps, bool audio,
            std::function<GstClockTime()> segment_time);
  ~PadOutput() override;

  HRESULT Deliver(const MediaSample& sample) override;
  HRESULT DeliverBeginFlush() override;
  HRESULT DeliverEndFlush() override;
  HRESULT DeliverEndOfStream() override;

  // Application thread, before a seek: the events it causes carry its
  // sequence number.
  void PrepareSeek(guint32 seqnum);
  GstPad* pad() const { return pad_; }
  GstFlowReturn last_flow() const { return last_flow_.load(); }

private:
  void SendHeaders();

  GstElement* element_;
  GstPad* pad_;
  GstCaps* caps_;
  bool audio_;
  std::mutex mutex_;  // guards the fields below
  bool started_ = false;
  bool need_segment_ = true;
  guint32 seqnum_ = GST_SEQNUM_INVALID;
  std::function<GstClockTime()> segment_time_;
  std::atomic<GstFlowReturn> last_flow_{GST_FLOW_OK};
};

}  // namespace pellaquin
