// The settings dialog: download root (chosen with Browse), concurrency limit,
// automatic interval, start at login, speed limit per camera, free space to
// keep and days to keep recordings. Saving applies only what changed.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace velmora::ui {

class EngineAdapter;

class SettingDLG : public QDialog {
  Q_OBJECT
public:
  SettingDLG(EngineAdapter& engine, QWidget* parent = nullptr);

  // Fills the controls from the current settings.
  void reload();
  void save();

  QComboBox* concurrency_box() const { return concurrency_; }
  QComboBox* interval_box() const { return interval_; }
  QCheckBox* auto_start_box() const { return auto_start_; }
  QPlainTextEdit* root_field() const { return root_; }
  QLabel* root_source_label() const { return root_source_; }
  QPushButton* browse_button() const { return browse_; }
  // What Browse does once a folder was picked: shown at once, applied on
  // save.
  void choose_folder(const QString& folder);
  QSpinBox* min_free_box() const { return min_free_; }  // MiB
  QSpinBox* keep_days_box() const { return keep_days_; }
  QSpinBox* rate_box() const { return rate_; }  // KiB/s per camera, 0 = no limit
  // The pacing the rate box gives and what that means in bytes per second.
  QLabel* rate_label() const { return rate_text_; }

private:
  EngineAdapter& engine_;
  QPlainTextEdit* root_;
  QLabel* root_source_;
  QPushButton* browse_;
  QString chosen_folder_;  // picked with Browse, not yet saved ("" = none)
  QComboBox* concurrency_;
  QComboBox* interval_;
  QCheckBox* auto_start_;
  QSpinBox* min_free_;
  QSpinBox* keep_days_;
  QSpinBox* rate_;
  QLabel* rate_text_;
  int loaded_rate_ = 0;  // what the rate box showed for the stored pacing
  // The pacing to store for the rate box's value.
  int chosen_pacing() const;
  void show_rate();
};

}  // namespace velmora::ui
