#pragma once
// The recording player's window: the picture, play/pause, a seek slider
// with the time and the duration, marks for exporting a part, keyboard
// control and dropping a file onto it. A file that cannot be played shows
// why in place of the picture; one whose tables were never written is
// offered a repair.
#include <QMainWindow>
#include <atomic>
#include <thread>

#include "playback.h"

class QLabel;
class QPushButton;
class QSlider;
class QProgressDialog;

namespace pellaquin {

class VideoWidget;

class PlayerWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit PlayerWindow(QWidget* parent = nullptr);
  ~PlayerWindow() override;

  void OpenFile(const QString& path);
  Playback* playback() { return &playback_; }
  VideoWidget* video() { return video_; }
  QPushButton* repair_button() { return repair_; }
  void SetMarks(qint64 start, qint64 end);  // ns; < 0 clears one

public slots:
  void Repair();
  void Export();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void SeekBy(qint64 delta);
  void ToggleFullScreen();
  void UpdateTime();
  void UpdateMarks();
  void ShowFailure(const QString& reason);
  void StartExport(const QString& out, qint64 from, qint64 to);
  void FinishExport(bool ok, const QString& message);

  Playback playback_;
  VideoWidget* video_;
  QPushButton* play_;
  QSlider* slider_;
  QLabel* time_;
  QLabel* marks_label_;
  QPushButton* export_;
  QPushButton* repair_;
  QTimer* clock_;
  qint64 mark_start_ = -1, mark_end_ = -1;
  bool dragging_ = false;
  std::thread export_thread_;
  std::atomic<bool> export_cancel_{false};
  QProgressDialog* export_progress_ = nullptr;
};

}  // namespace pellaquin
