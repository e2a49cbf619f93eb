#include "camera_details_dlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "engine_adapter.h"

namespace velmora::ui {

namespace {

QString time_text(qint64 seconds) {
  return QDateTime::fromSecsSinceEpoch(seconds).toString("yyyy-MM-dd HH:mm:ss");
}

QLabel* value_label(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setWordWrap(true);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  l->setMinimumWidth(380);
  return l;
}

}  // namespace

CameraDetailsDLG::CameraDetailsDLG(EngineAdapter& engine, int camera_id, QWidget* parent)
    : QDialog(parent), engine_(engine), id_(camera_id) {
  setWindowTitle(tr("摄像机详细信息"));
  camera_ = value_label(this);
  outcome_ = value_label(this);
  when_ = value_label(this);
  reason_ = value_label(this);
  advice_ = value_label(this);
  completed_ = value_label(this);
  auto* form = new QFormLayout;
  form->addRow(tr("摄像机："), camera_);
  form->addRow(tr("上次结果："), outcome_);
  form->addRow(tr("结束时间："), when_);
  form->addRow(tr("原因："), reason_);
  form->addRow(tr("建议："), advice_);
  form->addRow(tr("上次同步完成："), completed_);

  runs_ = new QTableWidget(0, 4, this);
  runs_->setHorizontalHeaderLabels({tr("结束时间"), tr("结果"), tr("录像"), tr("原因")});
  runs_->verticalHeader()->hide();
  runs_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  runs_->setSelectionBehavior(QAbstractItemView::SelectRows);
  runs_->setWordWrap(false);
  runs_->horizontalHeader()->setStretchLastSection(true);
  runs_->setMinimumSize(560, 200);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(new QLabel(tr("最近的同步："), this));
  layout->addWidget(runs_);
  layout->addWidget(buttons);

  connect(&engine_, &EngineAdapter::runEnded, this, [this](int id) {
    if (id == id_) refresh();
  });
  connect(&engine_, &EngineAdapter::camerasChanged, this, &CameraDetailsDLG::refresh);
  refresh();
}

void CameraDetailsDLG::show_camera(int camera_id) {
  id_ = camera_id;
  refresh();
}

void CameraDetailsDLG::refresh() {
  QString label = QString::number(id_);
  for (const CameraRow& c : engine_.cameras())
    if (c.id == id_) label = c.label;
  camera_->setText(label);
  const RunSummary last = engine_.last_run(id_);
  const QString none = tr("无");
  outcome_->setText(last.has_run ? last.outcome : tr("尚未同步"));
  when_->setText(last.has_run && last.ended > 0 ? time_text(last.ended) : none);
  reason_->setText(last.reason.isEmpty() ? none : last.reason);
  advice_->setText(last.advice.isEmpty() ? none : last.advice);
  const qint64 completed = engine_.last_completed(id_);
  completed_->setText(completed > 0 ? time_text(completed) : tr("从未"));

  const std::vector<RunSummary> runs = engine_.recent_runs(id_, kRunsShown);
  runs_->setRowCount(static_cast<int>(runs.size()));
  for (int row = 0; row < static_cast<int>(runs.size()); ++row) {
    const RunSummary& r = runs[static_cast<std::size_t>(row)];
    auto* reason = new QTableWidgetItem(r.reason);
    reason->setToolTip(r.reason);
    runs_->setItem(row, 0, new QTableWidgetItem(time_text(r.ended)));
    runs_->setItem(row, 1, new QTableWidgetItem(r.outcome));
    runs_->setItem(row, 2, new QTableWidgetItem(QString("%1/%2").arg(r.fetched).arg(r.queued)));
    runs_->setItem(row, 3, reason);
  }
  // Every column as wide as its texts, the reasons too, up to a limit
  // (the cell's tool tip has the whole reason).
  runs_->horizontalHeader()->setStretchLastSection(false);
  runs_->resizeColumnsToContents();
  int width = 2 * runs_->frameWidth() + runs_->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < runs_->columnCount(); ++c) width += runs_->horizontalHeader()->sectionSize(c);
  runs_->setMinimumWidth(qBound(560, width, 900));
  runs_->horizontalHeader()->setStretchLastSection(true);
}

}  // namespace velmora::ui
