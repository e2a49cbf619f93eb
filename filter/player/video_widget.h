#pragma once
// Paints the current picture scaled into the widget with its proportions
// kept, on black; or, when there is no picture to show, a message.
#include <QImage>
#include <QWidget>

namespace pellaquin {

class VideoWidget : public QWidget {
  Q_OBJECT
public:
  explicit VideoWidget(QWidget* parent = nullptr);
  void SetFrame(const QImage& frame);
  void SetMessage(const QString& message);  // "" shows the picture again
  QString message() const { return message_; }
  QSize sizeHint() const override { return {640, 480}; }

signals:
  void doubleClicked();

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  QImage frame_;
  QString message_;
};

}  // namespace pellaquin
