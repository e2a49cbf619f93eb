#include "progress_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

#include "camera_list_model.h"

namespace velmora::ui {

void ProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  // Selection background first, then the bar one pixel inside the cell.
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  cell.text.clear();
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

  QStyleOptionProgressBar bar;
  bar.rect = option.rect.adjusted(1, 1, -1, -1);
  bar.minimum = 0;
  bar.maximum = 100;
  bar.progress = index.data(CameraListModel::PercentRole).toInt();
  bar.textVisible = false;
  bar.state = option.state | QStyle::State_Horizontal;
  bar.direction = option.direction;
  bar.palette = option.palette;
  bar.fontMetrics = option.fontMetrics;
  painter->save();
  painter->setClipRect(option.rect);
  style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
  painter->restore();
}

}  // namespace velmora::ui
