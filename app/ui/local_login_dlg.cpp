#include "local_login_dlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine_adapter.h"

namespace velmora::ui {

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
  list_ = new QListWidget(this);
  list_->setSortingEnabled(true);
  list_->setMinimumSize(260, 180);
  add_ = new QPushButton(tr("添加"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addWidget(add_, 0, Qt::AlignRight);
  connect(add_, &QPushButton::clicked, this, &LocalLoginDLG::add_selected);
  connect(list_, &QListWidget::itemDoubleClicked, this, &LocalLoginDLG::add_selected);
  connect(&engine_, &EngineAdapter::discoveryChanged, this, &LocalLoginDLG::refresh);
  engine_.request_sibling_discovery_list();
  refresh();
}

void LocalLoginDLG::refresh() {
  const QString selected = list_->currentItem() ? list_->currentItem()->text() : QString();
  list_->clear();
  for (const auto& [id, text] : engine_.discovered_texts()) {
    (void)id;
    list_->addItem(text);
  }
  const auto again = list_->findItems(selected, Qt::MatchExactly);
  if (!selected.isEmpty() && !again.isEmpty()) list_->setCurrentItem(again.front());
}

void LocalLoginDLG::add_selected() {
  QListWidgetItem* item = list_->currentItem();
  if (!item) return;
  int id = 0;
  QString address;
  if (!parse_discovery_text(item->text(), id, address)) return;
  QString password;
  if (!ask_password_(password)) return;
  QString error;
  if (!engine_.add_local_camera(id, address, password, error)) emit addRefused(error);
}

}  // namespace velmora::ui
