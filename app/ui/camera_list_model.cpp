#include "camera_list_model.h"

#include <QDateTime>

#include <map>

#include "icons.h"
#include "ui_texts.h"

namespace velmora::ui {

int CameraListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CameraListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

int CameraListModel::column_width(int column) {
  static const int widths[] = {80, 150, 80, 70, 120, 200};
  return column >= 0 && column < ColumnCount ? widths[column] : 80;
}

QVariant CameraListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const Row& r = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case IdRole: return r.camera.id;
    case PercentRole: return r.percent;
    case StatusRole: return r.status;
    case Qt::TextAlignmentRole:
      return static_cast<int>(index.column() == ColStatus ? Qt::AlignLeft | Qt::AlignVCenter
                                                          : Qt::AlignCenter);
    case Qt::DecorationRole:
      if (index.column() == ColStatus) return row_icon(status_icon_index(r.status));
      return {};
    case Qt::DisplayRole:
      switch (index.column()) {
        case ColStatus: return status_label(r.status);
        case ColCamera: return r.camera.label;
        case ColKind: return kind_label(r.camera.local);
        case ColTotal: return r.counts;
        case ColProgress: return {};
        case ColFile: return r.file;
        default: return {};
      }
    case Qt::ToolTipRole:
      if (index.column() == ColFile && !r.file.isEmpty()) return r.file;
      if (index.column() == ColCamera) return r.camera.label + '\n' + run_text(r.camera);
      return run_text(r.camera);
    default: return {};
  }
}

QVariant CameraListModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal) return {};
  if (role == Qt::TextAlignmentRole)
    return static_cast<int>(section == ColStatus ? Qt::AlignLeft | Qt::AlignVCenter
                                                 : Qt::AlignCenter);
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case ColStatus: return tr("状态");
    case ColCamera: return tr("摄像机");
    case ColKind: return tr("本地/远程");
    case ColTotal: return tr("总进度");
    case ColProgress: return tr("当前文件下载进度");
    case ColFile: return tr("正在下载文件名");
    default: return {};
  }
}

void CameraListModel::rebuild(const std::vector<CameraRow>& cameras) {
  std::map<int, Row> kept;
  for (Row& r : rows_) kept[r.camera.id] = std::move(r);
  beginResetModel();
  rows_.clear();
  for (const CameraRow& c : cameras) {
    Row r;
    auto it = kept.find(c.id);
    if (it != kept.end())
      r = std::move(it->second);
    else if (c.last_run.has_run)
      r.status = c.last_run.status;  // what the history says until it runs again
    r.camera = c;
    rows_.push_back(std::move(r));
  }
  endResetModel();
}

int CameraListModel::row_of(int id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].camera.id == id) return static_cast<int>(i);
  return -1;
}

int CameraListModel::id_at(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return -1;
  return rows_[static_cast<std::size_t>(row)].camera.id;
}

int CameraListModel::status_of(int id) const {
  const int row = row_of(id);
  return row < 0 ? 0 : rows_[static_cast<std::size_t>(row)].status;
}

void CameraListModel::changed(int row, int column) {
  const QModelIndex i = index(row, column);
  emit dataChanged(i, i);
}

void CameraListModel::set_status(int id, int status) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].status = status;
  changed(row, ColStatus);
}

void CameraListModel::set_counts(int id, int done, int total) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].counts = QString("%1/%2").arg(done).arg(total);
  changed(row, ColTotal);
}

void CameraListModel::set_percent(int id, int percent) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].percent = qBound(0, percent, 100);
  changed(row, ColProgress);
}

QString CameraListModel::completion_text(qint64 seconds) {
  if (seconds <= 0) return tr("尚未完成同步");
  return tr("上次同步完成：%1")
      .arg(QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm:ss"));
}

QString CameraListModel::run_text(const CameraRow& c) {
  const QString completed = completion_text(c.last_completed);
  const RunSummary& run = c.last_run;
  if (!run.has_run || run.reason.isEmpty()) return completed;
  QString text = tr("上次同步（%1）：%2")
                     .arg(QDateTime::fromSecsSinceEpoch(run.ended).toString("yyyy-MM-dd HH:mm:ss"),
                          run.reason);
  if (!run.advice.isEmpty()) text += '\n' + run.advice;
  return text + '\n' + completed;
}

void CameraListModel::set_last_run(int id, const RunSummary& run) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].camera.last_run = run;
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::ToolTipRole});
}

void CameraListModel::set_last_completed(int id, qint64 seconds) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].camera.last_completed = seconds;
  emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::ToolTipRole});
}

void CameraListModel::set_file(int id, const QString& name) {
  const int row = row_of(id);
  if (row < 0) return;
  rows_[static_cast<std::size_t>(row)].file = name;
  changed(row, ColFile);
}

}  // namespace velmora::ui
