// The settings dialog: download root (read only), concurrency limit,
// automatic interval and start at login. Saving applies only what changed.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

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

private:
  EngineAdapter& engine_;
  QPlainTextEdit* root_;
  QComboBox* concurrency_;
  QComboBox* interval_;
  QCheckBox* auto_start_;
};

}  // namespace velmora::ui
