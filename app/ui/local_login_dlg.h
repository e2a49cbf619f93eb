// The add-local dialog: the cameras found on the local network, "%d(%s)"
// sorted as text and refreshed whenever discovery changes; adding asks for
// the camera's password and posts the new camera. Modeless; stays open.
#pragma once

#include <QDialog>

#include <functional>

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

signals:
  void addRefused(const QString& reason);

private:
  EngineAdapter& engine_;
  PasswordQuestion ask_password_;
  QListWidget* list_;
  QPushButton* add_;
};

// Splits "id(address)" into its parts; false for any other text.
bool parse_discovery_text(const QString& text, int& id, QString& address);

}  // namespace velmora::ui
