#include "local_login_dlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <limits>

#include "camera_record.h"
#include "engine_adapter.h"

namespace velmora::ui {

namespace {

// Digits and dots only: meant as an address even when it is not a valid
// one, never looked up as a name (the resolver reads "10.1" as 10.0.0.1).
bool looks_like_address(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!c.isDigit() && c != QLatin1Char('.')) return false;
  return true;
}

}  // namespace

bool parse_discovery_text(const QString& text, int& id, QString& address) {
  const qsizetype open = text.indexOf(QLatin1Char('('));
  const qsizetype close = text.lastIndexOf(QLatin1Char(')'));
  if (open <= 0 || close < open) return false;
  bool ok = false;
  id = text.left(open).toInt(&ok);
  if (!ok) return false;
  address = text.mid(open + 1, close - open - 1);
  return true;
}

LocalLoginDLG::LocalLoginDLG(EngineAdapter& engine, PasswordQuestion ask_password,
                             QWidget* parent)
    : QDialog(parent), engine_(engine), ask_password_(std::move(ask_password)) {
  setWindowTitle(tr("添加本地摄像机"));
  search_ = new QLabel(this);
  search_->setWordWrap(true);
  search_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  list_ = new QListWidget(this);
  list_->setSortingEnabled(true);
  list_->setMinimumSize(260, 140);
  id_ = new QLineEdit(this);
  id_->setValidator(new QIntValidator(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), id_));
  address_ = new QLineEdit(this);
  address_->setPlaceholderText(tr("IPv4 地址或主机名"));
  add_ = new QPushButton(tr("添加"), this);
  add_->setAutoDefault(false);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* form = new QFormLayout;
  form->addRow(tr("摄像机编号："), id_);
  form->addRow(tr("地址："), address_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search_);
  layout->addWidget(list_);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(add_, 0, Qt::AlignRight);
  setMinimumWidth(360);

  connect(add_, &QPushButton::clicked, this, &LocalLoginDLG::add_selected);
  connect(list_, &QListWidget::currentItemChanged, this,
          &LocalLoginDLG::fill_fields_from_selection);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
    fill_fields_from_selection();
    add_selected();
  });
  connect(&engine_, &EngineAdapter::discoveryChanged, this, &LocalLoginDLG::refresh);
  engine_.request_sibling_discovery_list();
  refresh();
}

void LocalLoginDLG::refresh() {
  {
    // A refresh must not overwrite what the user typed.
    const QSignalBlocker quiet(list_);
    const QString selected = list_->currentItem() ? list_->currentItem()->text() : QString();
    list_->clear();
    for (const auto& [id, text] : engine_.discovered_texts()) {
      (void)id;
      list_->addItem(text);
    }
    const auto again = list_->findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !again.isEmpty()) list_->setCurrentItem(again.front());
  }
  show_search_state();
}

void LocalLoginDLG::show_search_state() {
  const QString problem = engine_.discovery_problem();
  if (!problem.isEmpty()) {
    search_->setStyleSheet(QStringLiteral("color: #b00020;"));
    search_->setText(problem);
    return;
  }
  search_->setStyleSheet(QString());
  search_->setText(list_->count() == 0
                       ? tr("正在搜索局域网中的摄像机……")
                       : tr("找到 %1 台摄像机；请选择一台，或在下方输入编号和地址。")
                             .arg(list_->count()));
}

void LocalLoginDLG::fill_fields_from_selection() {
  QListWidgetItem* item = list_->currentItem();
  int id = 0;
  QString address;
  if (!item || !parse_discovery_text(item->text(), id, address)) return;
  id_->setText(QString::number(id));
  address_->setText(address);
}

bool LocalLoginDLG::dotted_address(QString& address) {
  std::uint8_t octets[4];
  if (parse_ipv4(address.toStdString(), octets)) return true;
  if (looks_like_address(address)) {
    status_->setText(tr("“%1”不是有效的IPv4地址（应为 a.b.c.d）").arg(address));
    return false;
  }
  // A name is looked up once, now; the camera keeps the address found.
  const QHostInfo info = QHostInfo::fromName(address);
  for (const QHostAddress& a : info.addresses()) {
    if (a.protocol() != QAbstractSocket::IPv4Protocol) continue;
    status_->setText(tr("%1 的地址是 %2；摄像机保存这个地址").arg(address, a.toString()));
    address = a.toString();
    return true;
  }
  status_->setText(tr("“%1”不是IPv4地址，也找不到这个名字的主机").arg(address));
  return false;
}

void LocalLoginDLG::add_selected() {
  if (id_->text().trimmed().isEmpty() && address_->text().trimmed().isEmpty())
    fill_fields_from_selection();
  const QString id_text = id_->text().trimmed();
  QString address = address_->text().trimmed();
  if (id_text.isEmpty() && address.isEmpty()) {
    status_->setText(tr("请在列表中选择一台摄像机，或输入摄像机的编号和地址。"));
    list_->setFocus();
    return;
  }
  bool ok = false;
  const int id = id_text.toInt(&ok);
  if (!ok) {
    status_->setText(tr("请输入摄像机的编号（一个整数）。"));
    id_->setFocus();
    return;
  }
  address_->setText(address);
  if (address.isEmpty()) {
    status_->setText(tr("请输入摄像机的地址。"));
    address_->setFocus();
    return;
  }
  if (!dotted_address(address)) {
    address_->setFocus();
    return;
  }
  const QString note = status_->text();
  const bool resolved = address != address_->text();
  QString password;
  if (!ask_password_(password)) return;
  QString error;
  const bool listed = engine_.has_camera(id);
  if (!engine_.add_local_camera(id, address, password, error)) {
    status_->setText(tr("未添加摄像机 %1：%2").arg(id).arg(error));
    emit addRefused(error);
    return;
  }
  QString done = listed ? tr("摄像机 %1 已在列表中；已用新的设置替换").arg(id)
                        : tr("已添加摄像机 %1（%2）").arg(id).arg(address);
  if (resolved) done = note + '\n' + done;
  status_->setText(done);
}

}  // namespace velmora::ui
