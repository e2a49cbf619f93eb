// The add-local dialog: the cameras found on the local network, "%d(%s)"
// sorted as text and refreshed whenever discovery changes, and fields to
// type a camera's id and address (dotted IPv4, or a host name looked up once
// when the camera is added); choosing a found camera fills them in. Adding
// asks for the camera's password and posts the new camera. A line says
// whether discovery is searching or why it cannot, another what became of
// the last addition. Modeless; stays open.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora::ui {

class EngineAdapter;

class LocalLoginDLG : public QDialog {
  Q_OBJECT
public:
  // ask_password: the password question (true with the text on OK).
  using PasswordQuestion = std::function<bool(QString& password)>;
  LocalLoginDLG(EngineAdapter& engine, PasswordQuestion ask_password, QWidget* parent = nullptr);

  void refresh();
  void add_selected();

  QListWidget* camera_list() const { return list_; }
  QLineEdit* id_field() const { return id_; }
  QLineEdit* address_field() const { return address_; }
  QPushButton* add_button() const { return add_; }
  // Discovery: searching, what it found, or why it cannot listen.
  QLabel* search_label() const { return search_; }
  // What became of the last addition.
  QLabel* status_label() const { return status_; }

signals:
  void addRefused(const QString& reason);

private:
  void fill_fields_from_selection();
  void show_search_state();
  // The typed address as dotted IPv4: as it is, or the host name's address.
  bool dotted_address(QString& address);

  EngineAdapter& engine_;
  PasswordQuestion ask_password_;
  QListWidget* list_;
  QLineEdit* id_;
  QLineEdit* address_;
  QPushButton* add_;
  QLabel* search_;
  QLabel* status_;
};

// Splits "id(address)" into its parts; false for any other text.
bool parse_discovery_text(const QString& text, int& id, QString& address);

}  // namespace velmora::ui
