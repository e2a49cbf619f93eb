// Draws a camera's current-file progress as a bar inside its list cell, so
// the bar follows the cell through resizing and scrolling.
#pragma once

#include <QStyledItemDelegate>

namespace velmora::ui {

class ProgressDelegate : public QStyledItemDelegate {
  Q_OBJECT
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace velmora::ui
