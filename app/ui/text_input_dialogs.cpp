#include "text_input_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::ui {

namespace {

QDialogButtonBox* ok_cancel(QDialog* d) {
  auto* buttons = new QDialogButtonBox(d);
  buttons->addButton(QDialog::tr("确定"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QDialog::tr("取消"), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return buttons;
}

}  // namespace

ModifyLocalRSIDLG::ModifyLocalRSIDLG(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("输入密码"));
  field_ = new QLineEdit(this);
  field_->setEchoMode(QLineEdit::Password);
  field_->setMinimumWidth(220);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(field_);
  layout->addWidget(ok_cancel(this));
}

QString ModifyLocalRSIDLG::password() const { return field_->text(); }

AliasInputDLG::AliasInputDLG(const QString& current, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("设置别名"));
  field_ = new QLineEdit(current, this);
  field_->setMinimumWidth(220);
  field_->selectAll();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("请输入新别名"), this));
  layout->addWidget(field_);
  layout->addWidget(ok_cancel(this));
}

QString AliasInputDLG::alias() const { return field_->text(); }

}  // namespace velmora::ui
