#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include "camera_details_dlg.h"
#include "camera_list_model.h"
#include "engine_adapter.h"
#include "icons.h"
#include "local_login_dlg.h"
#include "progress_delegate.h"
#include "remote_login_dlg.h"
#include "setting_dlg.h"
#include "text_input_dialogs.h"
#include "tray_notice.h"
#include "ui_texts.h"

namespace velmora::ui {

namespace {

// The client area: draws the background picture when there is one, and a
// press on it outside the controls drags the window.
class ClientArea : public QWidget {
public:
  ClientArea(const QString& picture, QWidget* parent) : QWidget(parent) {
    if (QFileInfo::exists(picture)) background_.load(picture);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    if (background_.isNull()) return;
    QPainter p(this);
    p.drawPixmap(rect(), background_);
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && window()->windowHandle()) {
      window()->windowHandle()->startSystemMove();
      return;
    }
    QWidget::mousePressEvent(e);
  }

private:
  QPixmap background_;
};

}  // namespace

CVelmoraDlg::CVelmoraDlg(EngineAdapter& engine, QWidget* parent)
    : QMainWindow(parent), engine_(engine) {
  setWindowTitle(tr("录像同步"));
  setWindowIcon(program_icon());
  install_default_hooks();

  model_ = new CameraListModel(this);
  auto* client = new ClientArea(engine_.background_picture(), this);
  view_ = new QTableView(client);
  view_->setModel(model_);
  view_->setItemDelegateForColumn(CameraListModel::ColProgress, new ProgressDelegate(view_));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setShowGrid(true);
  view_->setIconSize(QSize(20, 20));
  view_->setWordWrap(false);
  view_->setTextElideMode(Qt::ElideMiddle);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(qMax(24, fontMetrics().height() + 8));
  view_->horizontalHeader()->setHighlightSections(false);
  view_->horizontalHeader()->setStretchLastSection(true);
  fit_columns();
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->installEventFilter(this);
  connect(view_, &QTableView::customContextMenuRequested, this,
          &CVelmoraDlg::show_context_menu);
  connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
    if (i.isValid()) toggle_first_selected();
  });

  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(10, 6, 10, 6);
  layout->addWidget(view_);
  setCentralWidget(client);

  build_tool_bar();
  build_status_bar();
  // The details are one key away for whoever does not use the mouse.
  auto* details = new QAction(tr("详细信息"), this);
  details->setObjectName("details");
  details->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
  details->setShortcutContext(Qt::WindowShortcut);
  connect(details, &QAction::triggered, this, &CVelmoraDlg::open_details);
  addAction(details);

  tray_ = new QSystemTrayIcon(program_icon(), this);
  tray_->setToolTip(tr("Velmora"));
  connect(tray_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger) restore_from_tray();
          });

  connect(&engine_, &EngineAdapter::camerasChanged, this, &CVelmoraDlg::rebuild);
  connect(&engine_, &EngineAdapter::statusChanged, model_, &CameraListModel::set_status);
  connect(&engine_, &EngineAdapter::countsChanged, model_, &CameraListModel::set_counts);
  connect(&engine_, &EngineAdapter::fileProgress, model_, &CameraListModel::set_percent);
  connect(&engine_, &EngineAdapter::currentFileChanged, model_, &CameraListModel::set_file);
  connect(&engine_, &EngineAdapter::runEnded, this, [this](int id) {
    model_->set_last_completed(id, engine_.last_completed(id));
    model_->set_last_run(id, engine_.last_run(id));
  });
  connect(&engine_, &EngineAdapter::cameraReplacing, this, [this](int id) {
    // The camera being replaced is shown selected while it is stopped.
    const int row = model_->row_of(id);
    if (row < 0) return;
    view_->clearSelection();
    view_->selectRow(row);
    view_->setFocus();
  });
  connect(&engine_, &EngineAdapter::runFailedNotice, this,
          [this](int id, int status, const QString&, const QString& reason) {
            const int row = model_->row_of(id);
            const QString camera = row < 0 ? QString::number(id)
                                           : model_->index(row, CameraListModel::ColCamera)
                                                 .data()
                                                 .toString();
            hooks_.desktop_notice(tr("摄像机 %1 同步失败").arg(camera),
                                  reason.isEmpty() ? status_label(status) : reason);
          });
  connect(&engine_, &EngineAdapter::speedUpdated, this, &CVelmoraDlg::set_speed);
  connect(&engine_, &EngineAdapter::autoSyncFired, this, [this](const QString& when) {
    auto_pane_->setText(tr("上次自动同步时间") + when);
  });
  connect(&engine_, &EngineAdapter::saveFailed, this,
          [this](const QString& path, const QString& reason) {
            notice_pane_->setText(tr("无法保存 %1：%2").arg(path, reason));
          });
  connect(&engine_, &EngineAdapter::autostartFailed, this,
          [this] { hooks_.show_message(QStringLiteral("create auto start module fail!")); });

  int width = 0;
  for (int c = 0; c < CameraListModel::ColumnCount; ++c)
    width += view_->horizontalHeader()->sectionSize(c);
  resize(qMax(760, width + 2 * view_->frameWidth() + 40), 520);
  rebuild();
}

CVelmoraDlg::~CVelmoraDlg() {
  delete local_dlg_;
  delete remote_dlg_;
  delete settings_dlg_;
  delete details_dlg_;
}

void CVelmoraDlg::install_default_hooks() {
  hooks_.confirm_close = [this] {
    // "No" is the default: an Enter pressed once too often must not stop
    // every download. The buttons carry the program's own texts.
    QMessageBox box(QMessageBox::Question, tr("录像同步"), tr("是否关闭同步软件"),
                    QMessageBox::NoButton, this);
    QPushButton* yes = box.addButton(tr("是"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(tr("否"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
  };
  hooks_.ask_password = [this](QString& password) {
    ModifyLocalRSIDLG d(this);
    if (d.exec() != QDialog::Accepted) return false;
    password = d.password();
    return true;
  };
  hooks_.ask_local_change = [this](QString& address, QString& password) {
    ModifyLocalRSIDLG d(address, password, this);
    if (d.exec() != QDialog::Accepted) return false;
    address = d.address();
    password = d.password();
    return true;
  };
  hooks_.ask_alias = [this](const QString& current, QString& alias) {
    AliasInputDLG d(current, this);
    if (d.exec() != QDialog::Accepted) return false;
    alias = d.alias();
    return true;
  };
  hooks_.open_folder = [](const QString& folder) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  };
  hooks_.show_message = [this](const QString& text) {
    QMessageBox::warning(this, tr("录像同步"), text);
  };
  hooks_.tray_available = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  hooks_.desktop_notice = [this](const QString& title, const QString& text) {
    show_tray_notice(*tray_, title, text, [this] { return tray_shown_; });
  };
}

void CVelmoraDlg::fit_columns() {
  // The list's own widths, widened where this font needs more room so that
  // no header or status text is cut.
  const QFontMetrics header(view_->horizontalHeader()->font());
  const QFontMetrics cells(view_->font());
  for (int c = 0; c < CameraListModel::ColumnCount; ++c) {
    int w = CameraListModel::column_width(c);
    w = qMax(w, header.horizontalAdvance(model_->headerData(c, Qt::Horizontal,
                                                            Qt::DisplayRole).toString()) + 24);
    if (c == CameraListModel::ColStatus) {
      int text = 0;
      for (std::int32_t status : shown_statuses())
        text = qMax(text, cells.horizontalAdvance(status_label(status)));
      w = qMax(w, view_->iconSize().width() + text + 24);
    }
    view_->horizontalHeader()->resizeSection(c, w);
  }
}

void CVelmoraDlg::build_tool_bar() {
  tool_bar_ = addToolBar(tr("工具栏"));
  tool_bar_->setObjectName("toolbar");
  tool_bar_->setMovable(false);
  tool_bar_->setIconSize(QSize(22, 22));
  tool_bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  auto add = [this](Tool icon, const QString& text, const char* name, auto slot) {
    QAction* a = tool_bar_->addAction(tool_icon(icon), text);
    a->setObjectName(QLatin1String(name));
    a->setToolTip(text);
    connect(a, &QAction::triggered, this, slot);
    if (QWidget* w = tool_bar_->widgetForAction(a)) w->setMinimumSize(45, 45);
  };
  add(Tool::AddLocal, tr("添加本地摄像机"), "addLocal", &CVelmoraDlg::open_add_local);
  add(Tool::AddRemote, tr("添加远程摄像机"), "addRemote", &CVelmoraDlg::open_add_remote);
  tool_bar_->addSeparator();
  add(Tool::StartAll, tr("全部开始同步"), "startAll", [this] { engine_.start_all(); });
  add(Tool::StopAll, tr("全部停止"), "stopAll", [this] { engine_.stop_all(); });
  add(Tool::Remove, tr("移除摄像机"), "remove", &CVelmoraDlg::remove_selected);
  tool_bar_->addSeparator();
  add(Tool::OpenFolder, tr("打开文件夹"), "openFolder", &CVelmoraDlg::open_folder_of_selection);
  tool_bar_->addSeparator();
  add(Tool::Settings, tr("设置"), "settings", &CVelmoraDlg::open_settings);
}

void CVelmoraDlg::build_status_bar() {
  const qint64 last_auto = engine_.last_automatic_run();
  auto_pane_ = new QLabel(tr("上次自动同步时间") +
                              (last_auto > 0 ? QDateTime::fromSecsSinceEpoch(last_auto).toString(
                                                   "yyyy-MM-dd HH:mm:ss")
                                             : tr("从未")),
                          this);
  speed_pane_ = new QLabel(tr("下载速度"), this);
  statusBar()->addWidget(auto_pane_);
  notice_pane_ = new QLabel(this);
  statusBar()->addWidget(notice_pane_, 1);
  statusBar()->addPermanentWidget(speed_pane_);
}

void CVelmoraDlg::set_speed(qint64 kbps) {
  speed_pane_->setText(tr("下载速度") + QString::asprintf("%5dKB/s", static_cast<int>(kbps)));
}

void CVelmoraDlg::rebuild() {
  model_->rebuild(engine_.cameras());
  // A long name (a remote camera's serial, an alias) widens its column
  // rather than being cut in the middle.
  const QFontMetrics cells(view_->font());
  int w = 0;
  for (int row = 0; row < model_->rowCount(); ++row)
    w = qMax(w, cells.horizontalAdvance(
                    model_->index(row, CameraListModel::ColCamera).data().toString()) + 24);
  const int before = view_->horizontalHeader()->sectionSize(CameraListModel::ColCamera);
  w = qMin(w, 400);
  if (w <= before) return;
  view_->horizontalHeader()->resizeSection(CameraListModel::ColCamera, w);
  // The window grows with it: the other columns keep their room.
  resize(width() + w - before, height());
}

std::vector<int> CVelmoraDlg::selected_ids() const {
  std::vector<int> ids;
  QModelIndexList rows = view_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& i : rows) ids.push_back(model_->id_at(i.row()));
  return ids;
}

// ---- commands ----------------------------------------------------------------

void CVelmoraDlg::start_selected() { engine_.start(selected_ids()); }

void CVelmoraDlg::stop_selected() { engine_.stop(selected_ids()); }

void CVelmoraDlg::toggle_first_selected() {
  const auto ids = selected_ids();
  if (!ids.empty()) engine_.toggle(ids.front());
}

void CVelmoraDlg::remove_selected() { engine_.remove(selected_ids()); }

void CVelmoraDlg::open_folder_of_selection() {
  const auto ids = selected_ids();
  hooks_.open_folder(engine_.folder_to_open(ids.empty() ? -1 : ids.front()));
}

void CVelmoraDlg::change_alias() {
  const auto ids = selected_ids();
  if (ids.empty()) return;
  QString alias;
  if (!hooks_.ask_alias(engine_.alias(ids.front()), alias)) return;
  engine_.set_alias(ids.front(), alias);
}

void CVelmoraDlg::change_configuration() {
  const auto ids = selected_ids();
  if (ids.empty()) return;
  const int id = ids.front();
  if (engine_.is_local(id)) {
    QString address, password, error;
    if (!engine_.local_settings(id, address, password)) return;
    if (!hooks_.ask_local_change(address, password)) return;
    if (!engine_.set_local_camera(id, address, password, error) && !error.isEmpty())
      hooks_.show_message(error);
  } else {
    engine_.stop(ids);
    RemoteLoginDLG* d = remote_dialog();
    d->prefill(engine_.remote_account(id));
  }
}

void CVelmoraDlg::open_details() {
  const auto ids = selected_ids();
  if (ids.empty()) {
    hooks_.show_message(tr("请先在列表中选择一台摄像机。"));
    return;
  }
  if (!details_dlg_) {
    details_dlg_ = new CameraDetailsDLG(engine_, ids.front(), this);
    details_dlg_->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    details_dlg_->show_camera(ids.front());
  }
  details_dlg_->show();
  details_dlg_->raise();
  details_dlg_->activateWindow();
}

RemoteLoginDLG* CVelmoraDlg::remote_dialog() {
  if (!remote_dlg_) {
    remote_dlg_ = new RemoteLoginDLG(engine_, this);
    remote_dlg_->setAttribute(Qt::WA_DeleteOnClose);
    connect(remote_dlg_, &RemoteLoginDLG::fieldRefused, this,
            [this](const QString& text) { hooks_.show_message(text); });
  }
  remote_dlg_->show();
  remote_dlg_->raise();
  remote_dlg_->activateWindow();
  return remote_dlg_;
}

void CVelmoraDlg::open_add_remote() { remote_dialog(); }

void CVelmoraDlg::open_add_local() {
  if (!local_dlg_) {
    local_dlg_ = new LocalLoginDLG(
        engine_, [this](QString& password) { return hooks_.ask_password(password); }, this);
    local_dlg_->setAttribute(Qt::WA_DeleteOnClose);
    connect(local_dlg_, &LocalLoginDLG::addRefused, this,
            [this](const QString& text) { hooks_.show_message(text); });
  }
  local_dlg_->show();
  local_dlg_->raise();
  local_dlg_->activateWindow();
}

void CVelmoraDlg::open_settings() {
  if (!settings_dlg_) {
    settings_dlg_ = new SettingDLG(engine_, this);
    settings_dlg_->setAttribute(Qt::WA_DeleteOnClose);
  }
  settings_dlg_->show();
  settings_dlg_->raise();
  settings_dlg_->activateWindow();
}

// ---- context menus -----------------------------------------------------------

QMenu* CVelmoraDlg::make_context_menu(const QPoint& pos) {
  const QModelIndex at = view_->indexAt(pos);
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  auto item = [&](const QString& text, auto slot) {
    connect(menu->addAction(text), &QAction::triggered, this, slot);
  };
  if (!at.isValid()) {
    if (model_->rowCount() == 0) {
      delete menu;
      return nullptr;
    }
    menu->setObjectName(QStringLiteral("列表空白右键目录"));
    item(tr("全部开始"), [this] { engine_.start_all(); });
    item(tr("全部停止"), [this] { engine_.stop_all(); });
    return menu;
  }
  const auto ids = selected_ids();
  if (ids.empty()) {
    delete menu;
    return nullptr;
  }
  if (ids.size() >= 2) {
    menu->setObjectName(QStringLiteral("多选"));
    item(tr("开始同步"), &CVelmoraDlg::start_selected);
    item(tr("停止"), &CVelmoraDlg::stop_selected);
    item(tr("移除"), &CVelmoraDlg::remove_selected);
    return menu;
  }
  if (engine_.state_of(ids.front()) == CameraState::Idle) {
    menu->setObjectName(QStringLiteral("等待同步"));
    item(tr("开始同步"), &CVelmoraDlg::start_selected);
  } else {
    menu->setObjectName(QStringLiteral("等待结束"));
    item(tr("停止"), &CVelmoraDlg::stop_selected);
  }
  item(tr("查看录像信息"), &CVelmoraDlg::open_folder_of_selection);
  item(tr("移除"), &CVelmoraDlg::remove_selected);
  item(tr("修改别名"), &CVelmoraDlg::change_alias);
  item(tr("修改配置"), &CVelmoraDlg::change_configuration);
  menu->addSeparator();
  item(tr("详细信息"), &CVelmoraDlg::open_details);
  return menu;
}

void CVelmoraDlg::show_context_menu(const QPoint& pos) {
  if (QMenu* menu = make_context_menu(pos)) menu->popup(view_->viewport()->mapToGlobal(pos));
}

// ---- closing, keys, tray -------------------------------------------------------

void CVelmoraDlg::closeEvent(QCloseEvent* e) {
  if (closing_) {
    e->accept();
    return;
  }
  if (ask_before_close_ && !hooks_.confirm_close()) {
    e->ignore();
    return;
  }
  closing_ = true;
  e->accept();
  delete local_dlg_;
  delete remote_dlg_;
  delete settings_dlg_;
  delete details_dlg_;
  tray_->hide();
  tray_shown_ = false;
  engine_.stop_all();
  emit closeAccepted();
}

void CVelmoraDlg::end_without_asking() {
  skip_close_question();
  close();
}

void CVelmoraDlg::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      close();
      return;
    default:
      QMainWindow::keyPressEvent(e);
  }
}

bool CVelmoraDlg::eventFilter(QObject* watched, QEvent* e) {
  // On the list Enter starts or stops the selected camera, as a double
  // click does; Escape asks whether to close, as it does on the window.
  if (watched == view_ && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (!selected_ids().empty()) toggle_first_selected();
      return true;
    }
    if (key == Qt::Key_Escape) {
      close();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void CVelmoraDlg::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange || !isMinimized() || closing_) return;
  if (tray_shown_ || !hooks_.tray_available()) return;
  tray_->show();
  tray_shown_ = true;
  // Hiding from inside the state change would be undone by the platform.
  QTimer::singleShot(0, this, [this] {
    if (tray_shown_) hide();
  });
}

void CVelmoraDlg::restore_from_tray() {
  if (!tray_shown_) return;
  tray_shown_ = false;
  tray_->hide();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  showNormal();
  raise();
  activateWindow();
}

bool CVelmoraDlg::in_tray() const { return tray_shown_; }

void CVelmoraDlg::bring_to_front() {
  if (closing_) return;
  if (tray_shown_) {
    restore_from_tray();
    return;
  }
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

LocalLoginDLG* CVelmoraDlg::add_local_dialog() const { return local_dlg_; }
RemoteLoginDLG* CVelmoraDlg::add_remote_dialog() const { return remote_dlg_; }
SettingDLG* CVelmoraDlg::settings_dialog() const { return settings_dlg_; }
CameraDetailsDLG* CVelmoraDlg::details_dialog() const { return details_dlg_; }

}  // namespace velmora::ui
