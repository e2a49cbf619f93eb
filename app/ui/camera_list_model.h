// The rows of the camera list: one per configured camera in ascending id,
// with what the workers last reported for it. A rebuild (camera added,
// removed, renamed) keeps every remaining row's status, counts, bar and file.
// Every cell's tool tip says how the camera's last run ended, why it failed
// and what to do, and when the camera last completed a run. At start-up the
// status is the last run's, from the history.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

#include "engine_adapter.h"

namespace velmora::ui {

class CameraListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column { ColStatus, ColCamera, ColKind, ColTotal, ColProgress, ColFile, ColumnCount };
  enum Role { IdRole = Qt::UserRole, PercentRole, StatusRole };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

  void rebuild(const std::vector<CameraRow>& cameras);
  void set_status(int id, int status);
  void set_counts(int id, int done, int total);
  void set_percent(int id, int percent);
  void set_file(int id, const QString& name);
  // `seconds`: since 1970, 0 = never. Shown as the row's tool tip.
  void set_last_completed(int id, qint64 seconds);
  // The camera's run ended: its outcome and reason for the tool tip.
  void set_last_run(int id, const RunSummary& run);

  int row_of(int id) const;  // -1 when the camera has no row
  int id_at(int row) const;
  int status_of(int id) const;

  static int column_width(int column);

private:
  struct Row {
    CameraRow camera;
    int status = 0;
    QString counts;
    int percent = 0;
    QString file;
  };
  void changed(int row, int column);
  static QString completion_text(qint64 seconds);
  static QString run_text(const CameraRow& camera);

  std::vector<Row> rows_;
};

}  // namespace velmora::ui
