#include "player_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "export_job.h"
#include "recording_repair.h"
#include "time_text.h"
#include "video_widget.h"

namespace pellaquin {

namespace {

constexpr qint64 kMs = 1000000;
constexpr qint64 kSecond = 1000 * kMs;

QString Time(qint64 ns) { return QString::fromStdString(FormatTime(ns)); }

QPushButton* Button(const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  // Keys belong to the window (space must not press a button).
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

}  // namespace

PlayerWindow::PlayerWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(tr("Recording player"));
  setAcceptDrops(true);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  video_ = new VideoWidget(central);
  video_->SetMessage(tr("Drop a recording here to play it."));
  layout->addWidget(video_, 1);

  auto* controls = new QWidget(central);
  auto* row = new QHBoxLayout(controls);
  row->setContentsMargins(6, 4, 6, 4);
  play_ = Button(QString(), controls);
  play_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  play_->setToolTip(tr("Play or pause (Space)"));
  slider_ = new QSlider(Qt::Horizontal, controls);
  slider_->setFocusPolicy(Qt::NoFocus);
  slider_->setRange(0, 0);
  time_ = new QLabel(QStringLiteral("0:00 / 0:00"), controls);
  time_->setMinimumWidth(time_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00 / 00:00:00")));
  auto* mark_in = Button(tr("Mark start"), controls);
  mark_in->setToolTip(tr("Start of the part to export (I)"));
  auto* mark_out = Button(tr("Mark end"), controls);
  mark_out->setToolTip(tr("End of the part to export (O)"));
  export_ = Button(tr("Export…"), controls);
  export_->setToolTip(tr("Save the recording, or the part between the marks, as an MP4 video"));
  repair_ = Button(tr("Repair…"), controls);
  repair_->setVisible(false);
  row->addWidget(play_);
  row->addWidget(slider_, 1);
  row->addWidget(time_);
  row->addWidget(mark_in);
  row->addWidget(mark_out);
  row->addWidget(export_);
  row->addWidget(repair_);
  layout->addWidget(controls);
  setCentralWidget(central);
  marks_label_ = new QLabel(statusBar());
  statusBar()->addPermanentWidget(marks_label_);
  resize(800, 560);

  clock_ = new QTimer(this);
  clock_->setInterval(100);
  connect(clock_, &QTimer::timeout, this, &PlayerWindow::UpdateTime);
  clock_->start();

  connect(play_, &QPushButton::clicked, &playback_, &Playback::TogglePause);
  connect(slider_, &QSlider::sliderPressed, this, [this] { dragging_ = true; });
  connect(slider_, &QSlider::sliderReleased, this, [this] {
    dragging_ = false;
    playback_.Seek(qint64(slider_->value()) * kMs);
  });
  connect(slider_, &QSlider::sliderMoved, this, [this](int ms) {
    playback_.Seek(qint64(ms) * kMs);
    time_->setText(Time(qint64(ms) * kMs) + " / " + Time(playback_.duration()));
  });
  // Clicks on the groove jump there.
  connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
    if (action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub)
      playback_.Seek(qint64(slider_->sliderPosition()) * kMs);
  });
  connect(mark_in, &QPushButton::clicked, this, [this] { SetMarks(playback_.position(), mark_end_); });
  connect(mark_out, &QPushButton::clicked, this, [this] { SetMarks(mark_start_, playback_.position()); });
  connect(export_, &QPushButton::clicked, this, &PlayerWindow::Export);
  connect(repair_, &QPushButton::clicked, this, &PlayerWindow::Repair);
  connect(video_, &VideoWidget::doubleClicked, this, &PlayerWindow::ToggleFullScreen);

  connect(&playback_, &Playback::frameChanged, this, [this] {
    if (video_->message().isEmpty() || playback_.is_open()) {
      video_->SetMessage(QString());
      video_->SetFrame(playback_.frame());
    }
  });
  connect(&playback_, &Playback::durationChanged, this, [this](qint64 d) {
    slider_->setRange(0, int(d / kMs));
    slider_->setPageStep(int(std::max<qint64>(d / 20, 1000 * 1) / kMs));
    UpdateTime();
  });
  connect(&playback_, &Playback::playingChanged, this, [this](bool playing) {
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  });
  connect(&playback_, &Playback::ended, this, &PlayerWindow::UpdateTime);
  connect(&playback_, &Playback::failed, this, &PlayerWindow::ShowFailure);
  UpdateMarks();
}

PlayerWindow::~PlayerWindow() {
  export_cancel_ = true;
  if (export_thread_.joinable()) export_thread_.join();
}

void PlayerWindow::OpenFile(const QString& path) {
  repair_->setVisible(false);
  mark_start_ = mark_end_ = -1;
  UpdateMarks();
  slider_->setRange(0, 0);
  setWindowTitle(tr("%1 – Recording player").arg(QFileInfo(path).fileName()));
  video_->SetFrame(QImage());
  video_->SetMessage(QString());
  export_->setEnabled(true);
  playback_.Open(path);
}

void PlayerWindow::ShowFailure(const QString& reason) {
  const QString name = QFileInfo(playback_.path()).fileName();
  QString text = tr("%1 cannot be played.").arg(name) + "\n\n" + reason;
  if (RecordingLacksTables(playback_.path().toStdString())) {
    text = tr("%1 cannot be played: it was cut off while it was being recorded, before its table of "
              "pictures was written.")
               .arg(name) +
           "\n\n" + tr("Repair… saves a playable copy beside it.");
    repair_->setVisible(true);
  }
  export_->setEnabled(false);
  video_->SetFrame(QImage());
  video_->SetMessage(text);
}

void PlayerWindow::Repair() {
  const QFileInfo in(playback_.path());
  QString out = in.dir().filePath(in.completeBaseName() + tr("-repaired") + ".zrv");
  for (int n = 2; QFileInfo::exists(out); ++n)
    out = in.dir().filePath(in.completeBaseName() + tr("-repaired") + QString("-%1.zrv").arg(n));
  RepairReport report;
  std::string error;
  RepairResult r = RepairRecording(in.filePath().toStdString(), out.toStdString(), false, &report, &error);
  if (r != RepairResult::kRepaired) {
    QMessageBox::warning(this, tr("Repair"), tr("The recording could not be repaired: %1")
                                                 .arg(QString::fromStdString(error)));
    return;
  }
  OpenFile(out);
  statusBar()->showMessage(tr("Recovered %1 pictures (%2 s) into %3")
                               .arg(report.pictures)
                               .arg(report.seconds, 0, 'f', 1)
                               .arg(QFileInfo(out).fileName()));
}

void PlayerWindow::SetMarks(qint64 start, qint64 end) {
  mark_start_ = start;
  mark_end_ = end;
  UpdateMarks();
}

void PlayerWindow::UpdateMarks() {
  if (mark_start_ < 0 && mark_end_ < 0) {
    marks_label_->setText(tr("No marks"));
    return;
  }
  marks_label_->setText(tr("Marks: %1 to %2")
                            .arg(mark_start_ < 0 ? tr("start") : Time(mark_start_))
                            .arg(mark_end_ < 0 ? tr("end") : Time(mark_end_)));
}

void PlayerWindow::Export() {
  if (!playback_.is_open() || export_thread_.joinable()) return;
  qint64 from = -1, to = -1;
  const bool marked = (mark_start_ >= 0 || mark_end_ >= 0) &&
                      (mark_start_ < 0 || mark_end_ < 0 || mark_end_ > mark_start_);
  if (marked) {
    QMessageBox box(QMessageBox::Question, tr("Export"), tr("Export the whole recording or the part between the marks?"),
                    QMessageBox::Cancel, this);
    QPushButton* part = box.addButton(tr("Between the marks"), QMessageBox::AcceptRole);
    QPushButton* whole = box.addButton(tr("Whole recording"), QMessageBox::AcceptRole);
    box.setDefaultButton(part);
    box.exec();
    if (box.clickedButton() == part) {
      from = mark_start_;
      to = mark_end_;
    } else if (box.clickedButton() != whole) {
      return;
    }
  }
  const QFileInfo in(playback_.path());
  std::string error;
  std::string ext = ExportExtension(in.filePath().toStdString(), &error);
  if (ext.empty()) {
    QMessageBox::warning(this, tr("Export"), tr("This file cannot be exported: %1").arg(QString::fromStdString(error)));
    return;
  }
  const QString suggested = in.dir().filePath(in.completeBaseName() + "." + QString::fromStdString(ext));
  const QString filter = ext == "3gp" ? tr("3GP video (*.3gp)") : tr("MP4 video (*.mp4)");
  QString out = QFileDialog::getSaveFileName(this, tr("Export"), suggested, filter);
  if (out.isEmpty()) return;
  StartExport(out, from, to);
}

void PlayerWindow::StartExport(const QString& out, qint64 from, qint64 to) {
  export_cancel_ = false;
  export_progress_ = new QProgressDialog(tr("Exporting %1…").arg(QFileInfo(out).fileName()), tr("Cancel"), 0, 1000, this);
  export_progress_->setWindowModality(Qt::WindowModal);
  export_progress_->setMinimumDuration(300);
  connect(export_progress_, &QProgressDialog::canceled, this, [this] { export_cancel_ = true; });
  const std::string in_path = playback_.path().toStdString(), out_path = out.toStdString();
  ExportRange range{from, to};
  export_thread_ = std::thread([this, in_path, out_path, range] {
    auto progress = [this, range](int64_t position, int64_t duration) {
      int64_t start = range.from >= 0 ? range.from : 0;
      int64_t end = range.to >= 0 ? range.to : duration;
      int value = end > start ? int((position - start) * 1000 / (end - start)) : 0;
      QMetaObject::invokeMethod(this, [this, value] {
        if (export_progress_) export_progress_->setValue(std::clamp(value, 0, 999));
      }, Qt::QueuedConnection);
    };
    ExportResult result;
    std::string error;
    // The save dialog has asked before replacing a file.
    bool ok = ExportRecording(in_path, out_path, range, true, progress, &export_cancel_, &result, &error);
    QString message = ok ? tr("Exported %1 pictures to %2").arg(result.pictures).arg(QString::fromStdString(out_path))
                         : QString::fromStdString(error);
    QMetaObject::invokeMethod(this, [this, ok, message] { FinishExport(ok, message); }, Qt::QueuedConnection);
  });
}

void PlayerWindow::FinishExport(bool ok, const QString& message) {
  if (export_thread_.joinable()) export_thread_.join();
  const bool cancelled = export_cancel_.load();
  delete export_progress_;
  export_progress_ = nullptr;
  if (ok) statusBar()->showMessage(message);
  else if (!cancelled) QMessageBox::warning(this, tr("Export"), tr("The export failed: %1").arg(message));
}

void PlayerWindow::SeekBy(qint64 delta) {
  playback_.Seek(playback_.position() + delta);
}

void PlayerWindow::ToggleFullScreen() {
  if (isFullScreen()) showNormal();
  else showFullScreen();
}

void PlayerWindow::UpdateTime() {
  if (dragging_) return;
  const qint64 pos = playback_.position(), dur = playback_.duration();
  time_->setText(Time(pos) + " / " + Time(dur));
  QSignalBlocker block(slider_);
  slider_->setValue(int(pos / kMs));
}

void PlayerWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space: playback_.TogglePause(); break;
    case Qt::Key_Left: SeekBy(-5 * kSecond); break;
    case Qt::Key_Right: SeekBy(5 * kSecond); break;
    case Qt::Key_Up: SeekBy(60 * kSecond); break;
    case Qt::Key_Down: SeekBy(-60 * kSecond); break;
    case Qt::Key_Home: playback_.Seek(0); break;
    case Qt::Key_End: playback_.Seek(playback_.duration()); break;
    case Qt::Key_F: ToggleFullScreen(); break;
    case Qt::Key_Escape:
      if (isFullScreen()) showNormal();
      break;
    case Qt::Key_I: SetMarks(playback_.position(), mark_end_); break;
    case Qt::Key_O: SetMarks(mark_start_, playback_.position()); break;
    default: QMainWindow::keyPressEvent(event); return;
  }
  event->accept();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent* event) {
  const auto urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent* event) {
  const auto urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenFile(urls.first().toLocalFile());
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
  export_cancel_ = true;
  if (export_thread_.joinable()) export_thread_.join();
  playback_.Close();
  QMainWindow::closeEvent(event);
}

}  // namespace pellaquin
