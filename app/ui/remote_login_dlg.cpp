#include "remote_login_dlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>


namespace velmora::ui {

namespace {

// Byte limits of the fields (the record's field widths less the terminator).
constexpr int kAddressBytes = 15;
constexpr int kUserBytes = 49;
constexpr int kPasswordBytes = 19;
constexpr int kSerialBytes = 31;

}  // namespace

RemoteLoginDLG::RemoteLoginDLG(EngineAdapter& engine, QWidget* parent)
    : QDialog(parent), engine_(engine) {
  setWindowTitle(tr("添加远程摄像机"));
  address_ = new QLineEdit(this);
  user_ = new QLineEdit(this);
  password_ = new QLineEdit(this);
  password_->setEchoMode(QLineEdit::Password);
  serial_ = new QLineEdit(this);
  connect_ = new QPushButton(tr("连接服务器"), this);
  connect_->setAutoDefault(false);
  list_ = new QListWidget(this);
  list_->setMinimumHeight(120);
  add_ = new QPushButton(tr("添加摄像机"), this);
  add_->setAutoDefault(false);
  add_->setEnabled(false);

  auto* form = new QFormLayout;
  form->addRow(tr("服务器地址："), address_);
  form->addRow(tr("用户名："), user_);
  form->addRow(tr("密码："), password_);
  form->addRow(tr("主摄像机序列号："), serial_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(add_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(connect_, 0, Qt::AlignRight);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  setMinimumWidth(340);

  connect(connect_, &QPushButton::clicked, this, &RemoteLoginDLG::connect_server);
  connect(add_, &QPushButton::clicked, this, &RemoteLoginDLG::add_selected);
  connect(list_, &QListWidget::itemDoubleClicked, this, &RemoteLoginDLG::add_selected);
  connect(&engine_, &EngineAdapter::remoteCameraList, this, [this](const QList<int>& ids) {
    if (session_open_) on_list(ids);
  });
  connect(&engine_, &EngineAdapter::remoteConnectionBroken, this, [this] {
    if (session_open_) on_broken();
  });
  connect(&engine_, &EngineAdapter::remoteTicketAccepted, this, [this](int camera_id) {
    if (session_open_) on_ticket(camera_id);
  });
}

RemoteLoginDLG::~RemoteLoginDLG() { drop_session(); }

void RemoteLoginDLG::prefill(const RemoteAccount& a) {
  address_->setText(a.server_address);
  user_->setText(a.user);
  password_->setText(a.password);
  serial_->setText(a.serial);
}

void RemoteLoginDLG::drop_session() {
  if (session_open_) engine_.close_remote_login();
  session_open_ = false;
}

void RemoteLoginDLG::connect_server() {
  struct Field {
    QLineEdit* edit;
    int limit;
    QString label;
  };
  const Field fields[] = {{address_, kAddressBytes, tr("服务器地址：")},
                          {user_, kUserBytes, tr("用户名：")},
                          {password_, kPasswordBytes, tr("密码：")},
                          {serial_, kSerialBytes, tr("主摄像机序列号：")}};
  // A field over its limit is not sent cut short: the login would silently
  // use another account.
  for (const Field& f : fields) {
    if (f.edit->text().toUtf8().size() > f.limit) {
      emit fieldRefused(tr("%1 最长%2个字节").arg(f.label).arg(f.limit));
      f.edit->setFocus();
      return;
    }
  }
  drop_session();
  on_broken();
  account_ = RemoteAccount{address_->text(), user_->text(), password_->text(), serial_->text()};
  engine_.open_remote_login(account_);
  session_open_ = true;
}

void RemoteLoginDLG::on_list(const QList<int>& ids) {
  list_->clear();
  for (int id : ids) list_->addItem(QString::number(id));
  if (list_->count() > 0 && !list_->currentItem()) list_->setCurrentRow(0);
  add_->setEnabled(list_->count() > 0);
}

void RemoteLoginDLG::on_broken() {
  list_->clear();
  add_->setEnabled(false);
}

void RemoteLoginDLG::add_selected() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || !session_open_) return;
  engine_.request_remote_ticket(item->text().toInt());
}

void RemoteLoginDLG::on_ticket(int camera_id) {
  QString error;
  engine_.add_remote_camera(camera_id, account_, error);
}

void RemoteLoginDLG::keyPressEvent(QKeyEvent* e) {
  // Enter does nothing here; Escape cancels as usual.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(e);
}

}  // namespace velmora::ui
