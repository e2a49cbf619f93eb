#pragma once
// Plays one file through the media framework's playbin. Pictures arrive on
// an application sink as RGB images and are handed to the window thread,
// which paints them: this needs neither OpenGL nor a native window handle,
// so it shows the same on X11, on Wayland and off screen. Every member is
// called on the thread that created the object (the window thread).
#include <gst/gst.h>

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <mutex>

namespace pellaquin {

class Playback : public QObject {
  Q_OBJECT
public:
  explicit Playback(QObject* parent = nullptr);
  ~Playback() override;

  // Starts playing path from its beginning; problems arrive as failed().
  void Open(const QString& path);
  void Close();
  void Play();
  void Pause();
  void TogglePause();
  // Moves to a time (ns, clamped to the file), to a key picture near it.
  void Seek(qint64 position);

  bool is_open() const { return pipeline_ != nullptr; }
  bool playing() const { return playing_; }
  bool at_end() const { return ended_; }
  qint64 position() const;
  qint64 duration() const { return duration_; }
  // The newest picture (null before the first).
  QImage frame() const;
  QString path() const { return path_; }

signals:
  void frameChanged();
  void durationChanged(qint64 duration);
  void playingChanged(bool playing);
  void ended();
  void failed(const QString& message);

private:
  static GstFlowReturn OnSample(GstElement* sink, gpointer self);
  static GstFlowReturn OnPreroll(GstElement* sink, gpointer self);
  void TakeSample(GstSample* sample);  // streaming thread
  void PollBus();
  void NoteMissingHandler(GstMessage* msg);
  void SetPlaying(bool playing);

  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
  QTimer bus_timer_;
  QString path_;
  qint64 duration_ = 0;
  qint64 last_position_ = 0;
  bool playing_ = false;
  bool ended_ = false;
  bool failed_ = false;
  bool zrv_refused_ = false;  // the recording demuxer would not start
  // Filled on the streaming thread, read on the window thread.
  mutable std::mutex frame_lock_;
  QImage frame_;
  std::atomic<bool> frame_posted_{false};
  std::atomic<unsigned> generation_{0};
};

}  // namespace pellaquin
