#include "text_input_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

#include "camera_record.h"

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
  build(QString());
}

ModifyLocalRSIDLG::ModifyLocalRSIDLG(const QString& address, const QString& password,
                                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("修改配置"));
  address_ = new QLineEdit(address, this);
  build(password);
}

void ModifyLocalRSIDLG::build(const QString& password) {
  field_ = new QLineEdit(password, this);
  field_->setEchoMode(QLineEdit::Password);
  field_->setMinimumWidth(220);
  error_ = new QLabel(this);
  error_->setStyleSheet("color: #b00020");
  error_->hide();
  auto* form = new QFormLayout;
  if (address_) form->addRow(tr("地址："), address_);
  form->addRow(tr("密码："), field_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(error_);
  layout->addWidget(ok_cancel(this));
}

QString ModifyLocalRSIDLG::password() const { return field_->text(); }

QString ModifyLocalRSIDLG::address() const { return address_ ? address_->text().trimmed() : QString(); }

void ModifyLocalRSIDLG::accept() {
  std::uint8_t bytes[4];
  QString why;
  if (address_ && !parse_ipv4(address().toStdString(), bytes))
    why = tr("地址应为 IPv4 地址（a.b.c.d）");
  else if (field_->text().toUtf8().size() > 15)
    why = tr("密码最长15个字节");
  if (why.isEmpty()) {
    QDialog::accept();
    return;
  }
  error_->setText(why);
  error_->show();
}

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
