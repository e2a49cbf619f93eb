#include "remote_login_dlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "camera_record.h"
#include "remote_login_session.h"

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
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

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
  layout->addWidget(status_);
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
  connect(&engine_, &EngineAdapter::remoteLoginFailed, this, [this](int failure, int detail) {
    if (session_open_) on_failed(failure, detail);
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
  clear_list();
  // The address is checked as the camera record will check it: the library
  // alone would take "127.1" and the login would go where the record cannot.
  const QString address = address_->text().trimmed();
  address_->setText(address);
  std::uint8_t octets[4];
  if (!parse_ipv4(address.toStdString(), octets)) {
    show_status(tr("“%1”不是服务器的IPv4地址（应为 a.b.c.d）").arg(address));
    address_->setFocus();
    return;
  }
  failure_shown_ = false;
  show_status(tr("正在连接服务器……"));
  account_ = RemoteAccount{address, user_->text(), password_->text(), serial_->text()};
  engine_.open_remote_login(account_);
  session_open_ = true;
}

void RemoteLoginDLG::show_status(const QString& text) { status_->setText(text); }

void RemoteLoginDLG::on_list(const QList<int>& ids) {
  show_status(ids.isEmpty() ? tr("已登录；该账户没有摄像机") : tr("已登录；请选择要添加的摄像机"));
  list_->clear();
  for (int id : ids) list_->addItem(QString::number(id));
  if (list_->count() > 0 && !list_->currentItem()) list_->setCurrentRow(0);
  add_->setEnabled(list_->count() > 0);
}

void RemoteLoginDLG::clear_list() {
  list_->clear();
  add_->setEnabled(false);
}

void RemoteLoginDLG::on_broken() {
  // A failed connect or login also ends the connection; its reason stays.
  if (!failure_shown_) show_status(tr("与服务器的连接已断开"));
  clear_list();
}

void RemoteLoginDLG::on_failed(int failure, int detail) {
  failure_shown_ = failure != RemoteLoginSession::kTicketRefused;
  switch (failure) {
  case RemoteLoginSession::kUnreachable:
    clear_list();
    show_status(detail != 0 ? tr("无法连接服务器：%1").arg(qt_error_string(detail))
                            : tr("无法连接服务器"));
    break;
  case RemoteLoginSession::kLoginRefused:
    clear_list();
    show_status(tr("服务器拒绝登录（用户名、密码或主摄像机序列号有误，代码 %1）").arg(detail));
    break;
  default:
    show_status(tr("服务器拒绝添加该摄像机（代码 %1）").arg(detail));
    break;
  }
}

void RemoteLoginDLG::add_selected() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || !session_open_) return;
  if (!engine_.request_remote_ticket(item->text().toInt()))
    show_status(tr("无法向服务器请求摄像机 %1").arg(item->text()));
}

void RemoteLoginDLG::on_ticket(int camera_id) {
  QString error;
  const bool listed = engine_.has_camera(camera_id);
  if (!engine_.add_remote_camera(camera_id, account_, error))
    show_status(tr("未添加摄像机 %1：%2").arg(camera_id).arg(error));
  else if (listed)
    show_status(tr("摄像机 %1 已在列表中；已用新的设置替换").arg(camera_id));
  else
    show_status(tr("已添加摄像机 %1").arg(camera_id));
}

void RemoteLoginDLG::keyPressEvent(QKeyEvent* e) {
  // Enter does nothing here; Escape cancels as usual.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(e);
}

}  // namespace velmora::ui
