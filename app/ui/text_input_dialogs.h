// The two small modal questions: a local camera's password (masked) and a
// camera's alias.
#pragma once

#include <QDialog>

class QLineEdit;

namespace velmora::ui {

class ModifyLocalRSIDLG : public QDialog {
  Q_OBJECT
public:
  explicit ModifyLocalRSIDLG(QWidget* parent = nullptr);
  QString password() const;
  QLineEdit* field() const { return field_; }

private:
  QLineEdit* field_;
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
