#include "video_widget.h"

#include <QPainter>

namespace pellaquin {

VideoWidget::VideoWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 120);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void VideoWidget::SetFrame(const QImage& frame) {
  frame_ = frame;
  update();
}

void VideoWidget::SetMessage(const QString& message) {
  message_ = message;
  update();
}

void VideoWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (!message_.isEmpty()) {
    p.setPen(QColor(230, 230, 230));
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 1.2);
    p.setFont(f);
    p.drawText(rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap, message_);
    return;
  }
  if (frame_.isNull()) return;
  QSize size = frame_.size().scaled(this->size(), Qt::KeepAspectRatio);
  QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.drawImage(target, frame_);
}

void VideoWidget::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

}  // namespace pellaquin
