#include "setting_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QFormLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "download_rate.h"
#include "engine_adapter.h"
#include "system_settings.h"
#include "ui_texts.h"

namespace velmora::ui {

SettingDLG::SettingDLG(EngineAdapter& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
  setWindowTitle(tr("设置"));
  root_ = new QPlainTextEdit(this);
  root_->setReadOnly(true);
  root_->setFixedHeight(root_->fontMetrics().lineSpacing() * 3 + 12);
  root_->setMinimumWidth(320);
  root_source_ = new QLabel(this);
  root_source_->setWordWrap(true);
  browse_ = new QPushButton(tr("浏览..."), this);
  connect(browse_, &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("选择下载路径"),
                                                             root_->toPlainText());
    if (!folder.isEmpty()) choose_folder(folder);
  });
  concurrency_ = new QComboBox(this);
  for (int n = 1; n <= 5; ++n) concurrency_->addItem(QString::number(n));
  interval_ = new QComboBox(this);
  for (int code = 0; code <= 8; ++code) interval_->addItem(interval_label(code));
  auto_start_ = new QCheckBox(this);
  // In MiB: finer than anyone sets it, and 1 PiB still fits the box.
  min_free_ = new QSpinBox(this);
  min_free_->setRange(0, 1 << 30);
  min_free_->setSingleStep(256);
  min_free_->setSuffix(QStringLiteral(" MiB"));
  min_free_->setSpecialValueText(tr("不检查"));
  keep_days_ = new QSpinBox(this);
  keep_days_->setRange(0, 36500);
  keep_days_->setSpecialValueText(tr("永久保留"));
  // In KiB/s up to what a pacing of 1 ms allows; the label under it says
  // what the stored pacing really gives.
  rate_ = new QSpinBox(this);
  rate_->setRange(0, static_cast<int>(pacing_rate(1) / 1024));
  rate_->setSingleStep(64);
  rate_->setSuffix(QStringLiteral(" KiB/s"));
  rate_->setSpecialValueText(tr("不限速"));
  rate_text_ = new QLabel(this);
  rate_text_->setWordWrap(true);
  connect(rate_, &QSpinBox::valueChanged, this, [this] { show_rate(); });

  auto* form = new QFormLayout;
  auto* root_row = new QHBoxLayout;
  root_row->addWidget(root_, 1);
  root_row->addWidget(browse_, 0, Qt::AlignTop);
  form->addRow(tr("下载路径"), root_row);
  form->addRow(QString(), root_source_);
  form->addRow(tr("并发数"), concurrency_);
  form->addRow(tr("同步间隔"), interval_);
  form->addRow(tr("开机启动"), auto_start_);
  form->addRow(tr("每台摄像机限速"), rate_);
  form->addRow(QString(), rate_text_);
  form->addRow(tr("磁盘保留空间"), min_free_);
  form->addRow(tr("录像保留天数"), keep_days_);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* save_button = buttons->addButton(tr("保存"), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
  save_button->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &SettingDLG::save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  reload();
}

void SettingDLG::choose_folder(const QString& folder) {
  chosen_folder_ = folder;
  root_->setPlainText(folder);
  root_source_->setText(tr("保存后，新的录像下载到此文件夹；已下载的录像不会移动。"));
}

void SettingDLG::reload() {
  chosen_folder_.clear();
  root_->setPlainText(engine_.download_root());
  switch (engine_.download_root_source()) {
    case 0:
      root_source_->setText(tr("来自本程序的设置"));
      break;
    case 1:
      root_source_->setText(tr("来自摄像机管理程序的设置"));
      break;
    default:
      root_source_->setText(tr("默认路径"));
      break;
  }
  concurrency_->setCurrentIndex(qBound(1, engine_.concurrency(), 5) - 1);
  const int code = engine_.interval_code();
  interval_->setCurrentIndex(code >= 0 && code <= 8 ? code : 0);
  auto_start_->setChecked(engine_.auto_start());
  min_free_->setValue(static_cast<int>(engine_.min_free_bytes() >> 20));
  keep_days_->setValue(engine_.keep_days());
  loaded_rate_ = static_cast<int>(pacing_rate(engine_.pacing_ms()) / 1024);
  rate_->setValue(loaded_rate_);
  show_rate();
}

// A rate the longest pacing cannot keep to gets the longest pacing.
int SettingDLG::chosen_pacing() const {
  if (rate_->value() == loaded_rate_) return engine_.pacing_ms();
  if (rate_->value() == 0) return 0;
  std::int32_t ms = SystemSettings::kMaxPacingMs;
  pacing_for_rate(std::int64_t{rate_->value()} * 1024, ms);
  return ms;
}

void SettingDLG::show_rate() {
  const int ms = chosen_pacing();
  if (ms <= 0) {
    rate_text_->setText(tr("不限速：一块下载完立即请求下一块"));
    return;
  }
  rate_text_->setText(tr("每两次 128 KiB 请求间隔 %1 毫秒 ≈ 每台摄像机 %2")
                          .arg(ms)
                          .arg(QString::fromStdString(rate_text(pacing_rate(ms)))));
}

void SettingDLG::save() {
  if (!chosen_folder_.isEmpty()) {
    QString why;
    if (!engine_.set_download_folder(chosen_folder_, why)) {
      // Said beside the folder, and the dialog stays open with the other
      // changes until another folder is chosen or it is cancelled.
      root_source_->setText(tr("无法使用下载路径 %1：%2").arg(chosen_folder_, why));
      return;
    }
    chosen_folder_.clear();
  }
  const int n = concurrency_->currentText().toInt();
  if (n != engine_.concurrency() && n >= 1 && n <= 5) engine_.set_concurrency(n);
  if (interval_->currentIndex() != engine_.interval_code())
    engine_.set_interval_code(interval_->currentIndex());
  if (auto_start_->isChecked() != engine_.auto_start()) engine_.request_autostart_toggle();
  // A limit set in bytes elsewhere stays unless the box was changed.
  if (min_free_->value() != static_cast<int>(engine_.min_free_bytes() >> 20))
    engine_.set_min_free_bytes(static_cast<qint64>(min_free_->value()) << 20);
  if (keep_days_->value() != engine_.keep_days()) engine_.set_keep_days(keep_days_->value());
  // A pacing set exactly elsewhere stays unless the rate was changed.
  if (const int ms = chosen_pacing(); ms != engine_.pacing_ms()) engine_.set_pacing_ms(ms);
  accept();
}

}  // namespace velmora::ui
