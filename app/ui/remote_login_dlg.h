// The add-remote dialog: logs into the video server with the account's
// fields, lists the account's cameras and adds the chosen one once its relay
// ticket arrives. Modeless; it stays open for further additions.
#pragma once

#include <QDialog>

#include "engine_adapter.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace velmora::ui {


class RemoteLoginDLG : public QDialog {
  Q_OBJECT
public:
  RemoteLoginDLG(EngineAdapter& engine, QWidget* parent = nullptr);
  ~RemoteLoginDLG() override;

  void prefill(const RemoteAccount& account);
  void connect_server();
  void add_selected();

  QLineEdit* address_field() const { return address_; }
  QLineEdit* user_field() const { return user_; }
  QLineEdit* password_field() const { return password_; }
  QLineEdit* serial_field() const { return serial_; }
  QListWidget* camera_list() const { return list_; }
  QPushButton* add_button() const { return add_; }
  QLabel* status_label() const { return status_; }

signals:
  // A field is too long; the text names it (tests and the message box).
  void fieldRefused(const QString& message);

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  void on_list(const QList<int>& ids);
  void on_broken();
  void on_failed(int failure, int detail);
  void on_ticket(int camera_id);
  void clear_list();
  void show_status(const QString& text);
  void drop_session();

  EngineAdapter& engine_;
  QLineEdit* address_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* serial_;
  QListWidget* list_;
  QPushButton* connect_;
  QPushButton* add_;
  QLabel* status_;  // what became of the last connect or addition
  bool failure_shown_ = false;  // the status names why the last login ended
  bool session_open_ = false;  // a login of this dialog is open at the adapter
  RemoteAccount account_;  // the fields of the last connect
};

}  // namespace velmora::ui
