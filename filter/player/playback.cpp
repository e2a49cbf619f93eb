#include "playback.h"

#include <gst/app/gstappsink.h>

#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <cassert>

namespace pellaquin {

namespace {

QString ErrorMessage(GstMessage* msg) {
  GError* err = nullptr;
  gst_message_parse_error(msg, &err, nullptr);
  QString text = err ? QString::fromUtf8(err->message) : QStringLiteral("unknown error");
  g_clear_error(&err);
  return text;
}

}  // namespace

Playback::Playback(QObject* parent) : QObject(parent) {
  bus_timer_.setInterval(40);
  connect(&bus_timer_, &QTimer::timeout, this, &Playback::PollBus);
}

Playback::~Playback() { Close(); }

void Playback::Close() {
  assert(QThread::currentThread() == thread());
  bus_timer_.stop();
  if (pipeline_) {
    // Stopping joins the streaming threads: no sample arrives afterwards.
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    sink_ = nullptr;
  }
  ++generation_;
  {
    std::lock_guard<std::mutex> lock(frame_lock_);
    frame_ = QImage();
  }
  duration_ = last_position_ = 0;
  ended_ = failed_ = zrv_refused_ = false;
  SetPlaying(false);
}

void Playback::Open(const QString& path) {
  Close();
  path_ = path;
  QFileInfo info(path);
  if (!info.isFile() || !info.isReadable()) {
    failed_ = true;
    emit failed(info.exists() ? tr("The file cannot be read.") : tr("The file does not exist."));
    return;
  }
  pipeline_ = gst_element_factory_make("playbin", nullptr);
  GstElement* sink = gst_element_factory_make("appsink", nullptr);
  if (!pipeline_ || !sink) {
    if (sink) gst_object_unref(sink);
    Close();
    failed_ = true;
    emit failed(tr("The media framework's playback elements are not installed."));
    return;
  }
  GstCaps* caps = gst_caps_from_string("video/x-raw, format=BGRx, pixel-aspect-ratio=1/1");
  g_object_set(sink, "caps", caps, "max-buffers", 2u, "enable-last-sample", FALSE, nullptr);
  gst_caps_unref(caps);
  GstAppSinkCallbacks callbacks = {};
  callbacks.new_sample = [](GstAppSink* s, gpointer self) { return OnSample(GST_ELEMENT(s), self); };
  callbacks.new_preroll = [](GstAppSink* s, gpointer self) { return OnPreroll(GST_ELEMENT(s), self); };
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
  sink_ = sink;
  const QByteArray uri = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded();
  g_object_set(pipeline_, "uri", uri.constData(), "video-sink", sink, nullptr);
  bus_timer_.start();
  if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    PollBus();  // reports the error the bus holds
    if (!failed_) {
      failed_ = true;
      emit failed(tr("The file cannot be played."));
    }
    return;
  }
  SetPlaying(true);
}

void Playback::Play() {
  if (!pipeline_ || failed_) return;
  if (ended_) {
    // From the beginning again.
    ended_ = false;
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    Seek(0);
  }
  gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  SetPlaying(true);
}

void Playback::Pause() {
  if (!pipeline_ || failed_) return;
  gst_element_set_state(pipeline_, GST_STATE_PAUSED);
  SetPlaying(false);
}

void Playback::TogglePause() { playing_ ? Pause() : Play(); }

void Playback::Seek(qint64 position) {
  if (!pipeline_ || failed_) return;
  if (position < 0) position = 0;
  if (duration_ > 0 && position > duration_) position = duration_;
  // After the end the pipeline waits paused; the flushing seek shows the
  // new place and playing goes on from there.
  ended_ = false;
  last_position_ = position;
  gst_element_seek_simple(pipeline_, GST_FORMAT_TIME,
                          GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE),
                          position);
}

qint64 Playback::position() const {
  if (!pipeline_) return 0;
  if (ended_) return duration_;
  gint64 p = 0;
  if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &p) && p >= 0) return p;
  return last_position_;
}

QImage Playback::frame() const {
  std::lock_guard<std::mutex> lock(frame_lock_);
  return frame_;
}

GstFlowReturn Playback::OnSample(GstElement* sink, gpointer self) {
  GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (sample) static_cast<Playback*>(self)->TakeSample(sample);
  return GST_FLOW_OK;
}

GstFlowReturn Playback::OnPreroll(GstElement* sink, gpointer self) {
  GstSample* sample = gst_app_sink_pull_preroll(GST_APP_SINK(sink));
  if (sample) static_cast<Playback*>(self)->TakeSample(sample);
  return GST_FLOW_OK;
}

void Playback::TakeSample(GstSample* sample) {
  GstStructure* s = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
  int width = 0, height = 0;
  gst_structure_get_int(s, "width", &width);
  gst_structure_get_int(s, "height", &height);
  GstBuffer* buf = gst_sample_get_buffer(sample);
  GstMapInfo map;
  QImage image;
  if (width > 0 && height > 0 && gst_buffer_map(buf, &map, GST_MAP_READ)) {
    // BGRx rows are 4-byte aligned already, so they are not padded.
    const qsizetype stride = qsizetype(width) * 4;
    if (map.size >= size_t(stride) * size_t(height))
      image = QImage(map.data, width, height, stride, QImage::Format_RGB32).copy();
    gst_buffer_unmap(buf, &map);
  }
  gst_sample_unref(sample);
  if (image.isNull()) return;
  {
    std::lock_guard<std::mutex> lock(frame_lock_);
    frame_ = std::move(image);
  }
  // One pending notice at a time: a slow window skips pictures instead of
  // queueing them.
  if (!frame_posted_.exchange(true)) {
    const unsigned generation = generation_.load();
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          frame_posted_ = false;
          if (generation == generation_.load()) emit frameChanged();
        },
        Qt::QueuedConnection);
  }
}

// The recording demuxer refuses a damaged header or table by failing to
// start; the bins then report only that no element could take the stream.
void Playback::NoteMissingHandler(GstMessage* msg) {
  const GstStructure* s = gst_message_get_structure(msg);
  if (!s || !gst_structure_has_name(s, "missing-plugin")) return;
  GstCaps* detail = nullptr;
  gst_structure_get(s, "detail", GST_TYPE_CAPS, &detail, nullptr);
  if (detail && !gst_caps_is_empty(detail) &&
      gst_structure_has_name(gst_caps_get_structure(detail, 0), "video/x-zrv"))
    zrv_refused_ = true;
  if (detail) gst_caps_unref(detail);
}

void Playback::PollBus() {
  if (!pipeline_) return;
  GstBus* bus = gst_element_get_bus(pipeline_);
  while (GstMessage* msg = gst_bus_pop(bus)) {
    switch (GST_MESSAGE_TYPE(msg)) {
      case GST_MESSAGE_ELEMENT:
        NoteMissingHandler(msg);
        break;
      case GST_MESSAGE_ERROR:
        if (!failed_) {
          failed_ = true;
          // The bins may post the missing handler after the error itself.
          while (GstMessage* element = gst_bus_pop_filtered(bus, GST_MESSAGE_ELEMENT)) {
            NoteMissingHandler(element);
            gst_message_unref(element);
          }
          const QString text = zrv_refused_ ? tr("This is not a playable ZRV recording: its header or "
                                                 "its chain of segments is damaged.")
                                            : ErrorMessage(msg);
          gst_element_set_state(pipeline_, GST_STATE_NULL);
          SetPlaying(false);
          emit failed(text);
        }
        break;
      case GST_MESSAGE_EOS:
        gst_element_set_state(pipeline_, GST_STATE_PAUSED);
        ended_ = true;
        SetPlaying(false);
        emit ended();
        break;
      case GST_MESSAGE_DURATION_CHANGED:
      case GST_MESSAGE_ASYNC_DONE: {
        gint64 d = 0;
        if (gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &d) && d > 0 && d != duration_) {
          duration_ = d;
          emit durationChanged(d);
        }
        break;
      }
      default:
        break;
    }
    gst_message_unref(msg);
    if (!pipeline_) break;
  }
  gst_object_unref(bus);
}

void Playback::SetPlaying(bool playing) {
  if (playing == playing_) return;
  playing_ = playing;
  emit playingChanged(playing);
}

}  // namespace pellaquin
