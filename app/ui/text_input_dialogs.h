// The small modal questions: a local camera's password (masked), alone when
// a camera is added or with its address when its configuration changes, and
// a camera's alias.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace velmora::ui {

class ModifyLocalRSIDLG : public QDialog {
  Q_OBJECT
public:
  // The password alone.
  explicit ModifyLocalRSIDLG(QWidget* parent = nullptr);
  // The address and the password of a configured camera, both filled in.
  ModifyLocalRSIDLG(const QString& address, const QString& password, QWidget* parent = nullptr);
  QString password() const;
  QString address() const;
  QLineEdit* field() const { return field_; }
  QLineEdit* address_field() const { return address_; }
  QLabel* error_label() const { return error_; }
  // Closes only when the fields are what a camera record holds; otherwise
  // the reason shows under them.
  void accept() override;

private:
  void build(const QString& password);
  QLineEdit* field_;
  QLineEdit* address_ = nullptr;
  QLabel* error_ = nullptr;
};

class AliasInputDLG : public QDialog {
  Q_OBJECT
public:
  AliasInputDLG(const QString& current, QWidget* parent = nullptr);
  QString alias() const;
  QLineEdit* field() const { return field_; }

private:
  QLineEdit* field_;
};

}  // namespace velmora::ui
