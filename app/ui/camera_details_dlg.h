// The details of one camera: how its last run ended, when, why it failed
// and what to do, and its last runs from the history. Modeless; it follows
// the camera's runs while it is open.
#pragma once

#include <QDialog>

class QLabel;
class QTableWidget;

namespace velmora::ui {

class EngineAdapter;

class CameraDetailsDLG : public QDialog {
  Q_OBJECT
public:
  // How many runs of the history the table shows.
  static constexpr int kRunsShown = 10;

  CameraDetailsDLG(EngineAdapter& engine, int camera_id, QWidget* parent = nullptr);

  int camera_id() const { return id_; }
  // Shows another camera (the dialog exists once).
  void show_camera(int camera_id);
  void refresh();

  QLabel* outcome_label() const { return outcome_; }
  QLabel* reason_label() const { return reason_; }
  QLabel* advice_label() const { return advice_; }
  QTableWidget* runs_table() const { return runs_; }

private:
  EngineAdapter& engine_;
  int id_;
  QLabel* camera_;
  QLabel* outcome_;
  QLabel* when_;
  QLabel* reason_;
  QLabel* advice_;
  QLabel* completed_;
  QTableWidget* runs_;
};

}  // namespace velmora::ui
