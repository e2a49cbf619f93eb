// The main window against the real engine: rows and their rebuild, context
// menus, toggling, removing, closing, the tray, the speed pane and a full
// run against simulated cameras.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTableView>
#include <QTableWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTranslator>

#include <csignal>
#include <cstring>
#include <filesystem>

#include "camera_details_dlg.h"
#include "camera_list_model.h"
#include "camsim.h"
#include "instance_lock.h"
#include "private_file.h"
#include "sibling_link.h"
#include "run_history.h"
#include "ui_texts.h"
#include "ui_test_support.h"
#include "engine_events.h"
#include "link_messages.h"
#include "window_front.h"
#include "window_messages.h"

using namespace velmora;
using velmora::test::UiRig;
using Model = velmora::ui::CameraListModel;

namespace {

QStringList action_texts(QMenu* m) {
  QStringList out;
  for (QAction* a : m->actions())
    if (!a->isSeparator()) out << a->text();
  return out;
}

QPoint row_point(QTableView* v, int row) {
  return v->visualRect(v->model()->index(row, Model::ColCamera)).center();
}

void post_counts(SyncController& c, int id, int done, int total) {
  c.post(SyncCountsEvent{id, done, total});
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT
private slots:
  void rows_show_cameras_and_a_rebuild_keeps_their_state();
  void context_menus_follow_selection_and_state();
  void double_click_toggles_and_remove_needs_no_confirmation();
  void closing_asks_on_close_box_and_escape_enter_toggles();
  void minimising_hides_into_the_tray_and_a_click_restores();
  void status_panes_read_zero_and_never_before_anything_happens();
  void open_folder_prefers_the_camera_folder();
  void full_run_fills_every_row();
  void rows_tell_the_last_outcome_its_reason_and_the_details();
  void other_locales_get_english_texts();
  void command_line_changes_reach_the_running_window();
  void a_second_start_brings_the_window_to_the_front();
  void every_change_is_saved_when_made_and_a_failed_save_is_shown();
  void a_stop_signal_ends_the_window_and_keeps_its_changes();
  void a_failing_camera_is_told_on_the_desktop_once_per_run();
};

void WindowTest::rows_show_cameras_and_a_rebuild_keeps_their_state() {
  UiRig rig;
  rig.add_local(20, "127.0.12.20");
  rig.add_local(10, "127.0.12.10");
  Model* m = rig.window->model();
  QCOMPARE(m->rowCount(), 2);
  QCOMPARE(rig.cell(0, Model::ColCamera), QString("10(127.0.12.10)"));
  QCOMPARE(rig.cell(1, Model::ColCamera), QString("20(127.0.12.20)"));
  QCOMPARE(rig.cell(0, Model::ColKind), QString("本地"));
  // Column widths and alignment of the list.
  QTableView* v = rig.window->camera_view();
  // Column widths: at least the list's own, wider only where a text needs it.
  QVERIFY(v->horizontalHeader()->sectionSize(Model::ColStatus) >= 80);
  QVERIFY(v->horizontalHeader()->sectionSize(Model::ColProgress) >= 120);
  QCOMPARE(m->index(0, Model::ColCamera).data(Qt::TextAlignmentRole).toInt(),
           int(Qt::AlignCenter));

  // Row 20 runs: status, counts, bar and file; then camera 15 is added.
  rig.controller->post(SyncStatusEvent{20, STATUS_SYNCING});
  post_counts(*rig.controller, 20, 2, 5);
  rig.controller->post(FileProgressEvent{20, 40});
  rig.controller->post(CurrentFileEvent{20, "REC_00003.avi", 0, 0});
  QTRY_COMPARE(rig.cell(1, Model::ColFile), QString("REC_00003.avi"));
  rig.add_local(15, "127.0.12.15");
  QCOMPARE(m->rowCount(), 3);
  QCOMPARE(rig.cell(2, Model::ColCamera), QString("20(127.0.12.20)"));
  QCOMPARE(rig.cell(2, Model::ColStatus), QString("正在同步"));
  QCOMPARE(rig.cell(2, Model::ColTotal), QString("2/5"));
  QCOMPARE(m->index(2, Model::ColProgress).data(Model::PercentRole).toInt(), 40);
  QCOMPARE(rig.cell(2, Model::ColFile), QString("REC_00003.avi"));
  QCOMPARE(rig.cell(1, Model::ColStatus), QString());
  QCOMPARE(rig.cell(1, Model::ColTotal), QString());

  // A status for a camera without a row changes nothing.
  rig.controller->post(SyncStatusEvent{99, STATUS_COMPLETE});
  QTest::qWait(50);
  QCOMPARE(m->rowCount(), 3);

  // Alias on and off.
  rig.engine->set_alias(15, "Gate");
  QCOMPARE(rig.cell(1, Model::ColCamera), QString("Gate"));
  QCOMPARE(rig.cell(2, Model::ColTotal), QString("2/5"));
  rig.engine->set_alias(15, "");
  QCOMPARE(rig.cell(1, Model::ColCamera), QString("15(127.0.12.15)"));

  // A remote camera shows "serial(id)".
  QString error;
  QVERIFY(rig.engine->add_remote_camera(
      30, {"127.0.12.99", "user", "secret", "SER-1"}, error));
  QTRY_COMPARE(m->rowCount(), 4);
  QCOMPARE(rig.cell(3, Model::ColCamera), QString("SER-1(30)"));
  QCOMPARE(rig.cell(3, Model::ColKind), QString("远程"));
}

void WindowTest::context_menus_follow_selection_and_state() {
  UiRig rig;
  QTableView* v = rig.window->camera_view();
  rig.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
  // Empty list: nothing anywhere.
  QVERIFY(!rig.window->make_context_menu(QPoint(5, 5)));

  rig.add_local(1, "127.0.12.250");  // nobody listens there
  rig.add_local(2, "127.0.12.251");
  const QPoint below(5, v->viewport()->height() - 5);
  std::unique_ptr<QMenu> blank(rig.window->make_context_menu(below));
  QVERIFY(blank);
  QCOMPARE(blank->objectName(), QString("列表空白右键目录"));
  QCOMPARE(action_texts(blank.get()), QStringList({"全部开始", "全部停止"}));

  // On a row without a selection: nothing.
  v->clearSelection();
  QVERIFY(!rig.window->make_context_menu(row_point(v, 0)));

  v->selectRow(0);
  std::unique_ptr<QMenu> idle(rig.window->make_context_menu(row_point(v, 0)));
  QCOMPARE(idle->objectName(), QString("等待同步"));
  QCOMPARE(action_texts(idle.get()),
           QStringList({"开始同步", "查看录像信息", "移除", "修改别名", "修改配置", "详细信息"}));

  // Its first item starts the camera: the next menu is the running one.
  idle->actions().front()->trigger();
  QVERIFY(rig.engine->state_of(1) != ui::CameraState::Idle);
  std::unique_ptr<QMenu> running(rig.window->make_context_menu(row_point(v, 0)));
  QCOMPARE(running->objectName(), QString("等待结束"));
  QCOMPARE(action_texts(running.get()),
           QStringList({"停止", "查看录像信息", "移除", "修改别名", "修改配置", "详细信息"}));
  running->actions().front()->trigger();
  QVERIFY(rig.engine->state_of(1) == ui::CameraState::Idle);
  QTRY_COMPARE(rig.cell(0, Model::ColStatus), QString("手动停止"));

  v->selectAll();
  std::unique_ptr<QMenu> multi(rig.window->make_context_menu(row_point(v, 1)));
  QCOMPARE(multi->objectName(), QString("多选"));
  QCOMPARE(action_texts(multi.get()), QStringList({"开始同步", "停止", "移除"}));
  multi->actions().at(0)->trigger();
  QVERIFY(rig.engine->state_of(1) != ui::CameraState::Idle && rig.engine->state_of(2) != ui::CameraState::Idle);
  multi->actions().at(1)->trigger();
  QVERIFY(rig.engine->state_of(1) == ui::CameraState::Idle && rig.engine->state_of(2) == ui::CameraState::Idle);
}

void WindowTest::double_click_toggles_and_remove_needs_no_confirmation() {
  UiRig rig;
  rig.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
  rig.add_local(5, "127.0.12.252");
  rig.add_local(6, "127.0.12.253");
  QTableView* v = rig.window->camera_view();
  const QPoint p = row_point(v, 1);
  QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, p);
  QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, p);
  QVERIFY(rig.engine->state_of(6) != ui::CameraState::Idle);
  QVERIFY(rig.engine->state_of(5) == ui::CameraState::Idle);
  QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, p);
  QVERIFY(rig.engine->state_of(6) == ui::CameraState::Idle);

  // Remove: the running camera stops, leaves the table and the file.
  v->selectRow(1);
  rig.window->start_selected();
  QVERIFY(rig.engine->state_of(6) != ui::CameraState::Idle);
  rig.window->remove_selected();
  QVERIFY(rig.engine->state_of(6) == ui::CameraState::Idle);
  QVERIFY(!rig.engine->has_camera(6));
  QCOMPARE(rig.window->model()->rowCount(), 1);
  QCOMPARE(rig.close_questions, 0);
  CameraTable saved;
  QVERIFY(load_camera_file(rig.controller->options().paths.camera_list_file(), saved));
  QCOMPARE(int(saved.size()), 1);
  QVERIFY(saved.count(5));
}

void WindowTest::closing_asks_on_close_box_and_escape_enter_toggles() {
  UiRig rig;
  rig.add_local(7, "127.0.12.254");
  rig.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
  QSignalSpy accepted(rig.window.get(), &ui::CVelmoraDlg::closeAccepted);
  QTableView* v = rig.window->camera_view();
  v->setFocus();
  v->selectRow(0);

  // Enter on the list starts and stops the selected camera, as a double
  // click does, and never asks to close.
  QTest::keyClick(v, Qt::Key_Return);
  QVERIFY(rig.engine->state_of(7) != ui::CameraState::Idle);
  QTest::keyClick(v, Qt::Key_Enter);
  QVERIFY(rig.engine->state_of(7) == ui::CameraState::Idle);
  QCOMPARE(rig.close_questions, 0);
  QTest::keyClick(v, Qt::Key_Escape);
  QCOMPARE(rig.close_questions, 1);
  QTest::keyClick(rig.window.get(), Qt::Key_Escape);
  QCOMPARE(rig.close_questions, 2);
  QVERIFY(!rig.window->close());
  QCOMPARE(rig.close_questions, 3);
  QVERIFY(rig.window->isVisible());
  QCOMPARE(accepted.count(), 0);

  // Yes stops every camera and ends the program.
  rig.engine->start_all();
  QVERIFY(rig.engine->state_of(7) != ui::CameraState::Idle);
  rig.close_answer = true;
  QTest::keyClick(rig.window.get(), Qt::Key_Escape);
  QCOMPARE(accepted.count(), 1);
  QVERIFY(!rig.window->isVisible());
  QVERIFY(rig.engine->state_of(7) == ui::CameraState::Idle);
}

void WindowTest::minimising_hides_into_the_tray_and_a_click_restores() {
  UiRig rig;
  rig.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
  rig.window->setWindowState(Qt::WindowMinimized);
  QVERIFY(rig.window->in_tray());
  QTRY_VERIFY(!rig.window->isVisible());
  rig.window->restore_from_tray();
  QVERIFY(!rig.window->in_tray());
  QVERIFY(rig.window->isVisible());
  QVERIFY(!rig.window->isMinimized());
  QCOMPARE(rig.close_questions, 0);

  // A desktop without a tray: the window stays reachable, minimised.
  rig.tray_available = false;
  rig.window->setWindowState(Qt::WindowMinimized);
  QTest::qWait(50);
  QVERIFY(!rig.window->in_tray());
  QVERIFY(rig.window->isVisible());
}

void WindowTest::status_panes_read_zero_and_never_before_anything_happens() {
  UiRig::Options options;
  options.speed_ms = 200;
  UiRig rig(options);
  QCOMPARE(rig.window->speed_pane()->text(), QString("下载速度"));
  QTRY_COMPARE(rig.window->speed_pane()->text(), QString("下载速度    0KB/s"));
  // Before the first automatic run the pane says so instead of nothing.
  QCOMPARE(rig.window->auto_sync_pane()->text(), QString("上次自动同步时间从未"));
}

void WindowTest::open_folder_prefers_the_camera_folder() {
  UiRig rig;
  rig.add_local(8, "127.0.12.248");
  const QString root = rig.engine->download_root();
  QTableView* v = rig.window->camera_view();
  rig.window->open_folder_of_selection();
  QCOMPARE(rig.last_opened, root);
  v->selectRow(0);
  rig.window->open_folder_of_selection();
  QCOMPARE(rig.last_opened, root);  // the camera has no folder yet
  QVERIFY(QDir().mkpath(root + "/8"));
  rig.window->open_folder_of_selection();
  QCOMPARE(rig.last_opened, root + "/8");
}

void WindowTest::full_run_fills_every_row() {
  std::vector<std::unique_ptr<camsim::CameraSimulator>> sims;
  std::vector<int> counts;
  std::map<std::int32_t, std::uint16_t> ports;  // by camera id
  for (int i = 0; i < 3; ++i) {
    camsim::Config cfg;
    cfg.address = "127.0.12." + std::to_string(31 + i);
    cfg.port = 0;
    cfg.password = "pw";
    cfg.recordings = camsim::generate_recordings(3 + i, 20000, 150000, 0.5, 40 + i);
    counts.push_back(3 + i);
    sims.push_back(std::make_unique<camsim::CameraSimulator>(cfg));
    QCOMPARE(sims.back()->start(), 0);
    ports[301 + i] = sims.back()->port();
  }
  UiRig::Options options;
  options.camera_port = [&ports](const CameraRecord& r) { return ports.at(r.camera_id); };
  UiRig rig(options);
  for (int i = 0; i < 3; ++i)
    rig.add_local(301 + i, ("127.0.12." + std::to_string(31 + i)).c_str());
  rig.window->show();
  for (QAction* a : rig.window->tool_bar()->actions())
    if (a->objectName() == "startAll") a->trigger();
  Model* m = rig.window->model();
  for (int row = 0; row < 3; ++row) {
    QTRY_VERIFY_WITH_TIMEOUT(
        m->index(row, Model::ColStatus).data(Model::StatusRole).toInt() == STATUS_COMPLETE,
        30000);
    const QString n = QString::number(counts[static_cast<std::size_t>(row)]);
    QCOMPARE(rig.cell(row, Model::ColTotal), n + "/" + n);
    QCOMPARE(m->index(row, Model::ColProgress).data(Model::PercentRole).toInt(), 100);
    QVERIFY(!rig.cell(row, Model::ColFile).isEmpty());
  }
  for (auto& s : sims) s->stop();
}

void WindowTest::rows_tell_the_last_outcome_its_reason_and_the_details() {
  // Camera 40 completed at a known time in an earlier session, then could
  // not write its folder.
  const qint64 earlier = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)).toSecsSinceEpoch();
  const std::string why = "cannot create /srv/cams/40: Permission denied";
  UiRig::Options options;
  options.prepare = [&](const AppPaths& paths) {
    RunHistory history(paths.history_file());
    RunResult run;
    run.camera_id = 40;
    run.status = STATUS_COMPLETE;
    run.ended = earlier;
    QVERIFY(history.append(run));
    run.status = STATUS_INTERRUPTED;
    run.failure = FAILURE_WRITE_FAILED;
    run.error = why;
    run.ended = earlier + 60;
    QVERIFY(history.append(run));
  };
  UiRig rig(options);
  rig.add_local(40, "127.0.12.40");
  rig.add_local(41, "127.0.12.41");
  Model* m = rig.window->model();
  auto tip = [&](int row, int column) {
    return m->index(row, column).data(Qt::ToolTipRole).toString();
  };
  // Before any run of this session the row shows what the history says:
  // the status, and the engine's reason with what to do about it.
  QCOMPARE(rig.cell(0, Model::ColStatus), ui::status_label(STATUS_INTERRUPTED));
  const QStringList lines = tip(0, Model::ColStatus).split('\n');
  QCOMPARE(lines.size(), 3);
  QCOMPARE(lines[0], QString("上次同步（2026-03-04 05:07:07）：") + QString::fromStdString(why));
  QVERIFY(!lines[1].isEmpty());
  QCOMPARE(lines[2], QString("上次同步完成：2026-03-04 05:06:07"));
  QVERIFY(tip(0, Model::ColCamera).startsWith("40(127.0.12.40)\n上次同步（"));
  QCOMPARE(rig.cell(1, Model::ColStatus), QString());
  QCOMPARE(tip(1, Model::ColTotal), QString("尚未完成同步"));

  // A run of camera 41 ends: its row says so at once, in every cell.
  QSignalSpy changed(m, &QAbstractItemModel::dataChanged);
  rig.controller->post(SyncStatusEvent{41, STATUS_WAITING});
  rig.controller->post(SyncStatusEvent{41, STATUS_COMPLETE});
  QTRY_VERIFY(tip(1, Model::ColTotal).startsWith("上次同步完成："));
  const QString today = QDate::currentDate().toString("yyyy-MM-dd");
  QVERIFY2(tip(1, Model::ColProgress).contains(today), qPrintable(tip(1, Model::ColProgress)));
  bool whole_row = false;
  for (const QList<QVariant>& args : changed) {
    const auto from = args[0].value<QModelIndex>(), to = args[1].value<QModelIndex>();
    whole_row = whole_row || (from.row() == 1 && from.column() == 0 &&
                              to.column() == Model::ColumnCount - 1);
  }
  QVERIFY(whole_row);
  // A run that fails leaves the last completion as it was and says why.
  rig.controller->post(SyncStatusEvent{40, STATUS_WAITING});
  rig.controller->post(SyncStatusEvent{40, STATUS_WRONG_PASSWORD});
  QTRY_COMPARE(m->index(0, 0).data(Model::StatusRole).toInt(), int(STATUS_WRONG_PASSWORD));
  QTRY_VERIFY2(tip(0, Model::ColStatus).contains("：密码错误\n"), qPrintable(tip(0, 0)));
  QVERIFY(tip(0, Model::ColStatus).endsWith("\n上次同步完成：2026-03-04 05:06:07"));

  // The details: nothing selected is said; the selected camera's last
  // outcome, reason, advice and its runs, newest first.
  QAction* details = rig.window->findChild<QAction*>("details");
  QVERIFY(details);
  QCOMPARE(details->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
  rig.window->camera_view()->clearSelection();
  details->trigger();
  QVERIFY(!rig.last_message.isEmpty());
  QVERIFY(!rig.window->details_dialog());
  rig.window->camera_view()->selectRow(0);
  details->trigger();
  ui::CameraDetailsDLG* d = rig.window->details_dialog();
  QVERIFY(d);
  QCOMPARE(d->outcome_label()->text(), ui::status_label(STATUS_WRONG_PASSWORD));
  QVERIFY(d->advice_label()->text().contains("修改配置"));
  QTableWidget* runs = d->runs_table();
  QCOMPARE(runs->rowCount(), 3);
  QCOMPARE(runs->item(0, 1)->text(), ui::status_label(STATUS_WRONG_PASSWORD));
  QCOMPARE(runs->item(1, 3)->text(), QString::fromStdString(why));
  QCOMPARE(runs->item(2, 3)->text(), QString());
  // It follows the camera's next run while open.
  rig.controller->post(SyncStatusEvent{40, STATUS_WAITING});
  rig.controller->post(SyncStatusEvent{40, STATUS_COMPLETE});
  QTRY_COMPARE(d->outcome_label()->text(), ui::status_label(STATUS_COMPLETE));
  QCOMPARE(runs->rowCount(), 4);
  // The context menu of a single camera offers it too.
  std::unique_ptr<QMenu> menu(rig.window->make_context_menu(
      rig.window->camera_view()->visualRect(m->index(0, 0)).center()));
  QVERIFY(menu);
  bool offered = false;
  for (QAction* a : menu->actions()) offered = offered || a->text() == details->text();
  QVERIFY(offered);
}

void WindowTest::other_locales_get_english_texts() {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  {
    // Chinese gets the console's catalogue; the window keeps its own texts.
    QTranslator* chinese = ui::install_translation();
    QVERIFY(chinese);
    QCOMPARE(ui::status_label(STATUS_WRONG_PASSWORD), QString("密码错误"));
    QCOMPARE(QCoreApplication::translate("Console", "interrupted"), QString("已中断"));
    QCoreApplication::removeTranslator(chinese);
    delete chinese;
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QTranslator* english = ui::install_translation();
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  QVERIFY(english);
  {
    UiRig rig;
    rig.add_local(9, "127.0.12.249");
    rig.controller->post(SyncStatusEvent{9, STATUS_WRONG_PASSWORD});
    QTRY_COMPARE(rig.cell(0, Model::ColStatus), QString("Wrong password"));
    QCOMPARE(rig.window->windowTitle(), QString("Recording Sync"));
    QCOMPARE(rig.window->model()->headerData(Model::ColFile, Qt::Horizontal, Qt::DisplayRole)
                 .toString(),
             QString("File being downloaded"));
    QCOMPARE(rig.cell(0, Model::ColKind), QString("Local"));
  }
  QCoreApplication::removeTranslator(english);
  delete english;
}

void WindowTest::command_line_changes_reach_the_running_window() {
  ks_test::use_private_discovery_port();
  QTemporaryDir dir;
  const QString link = dir.path() + "/link";
  QVERIFY(QDir().mkpath(link));
  QFile::setPermissions(link, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", dir.path());
  env.insert("XDG_RUNTIME_DIR", link);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(VELMORA_BIN, args);
    p.waitForFinished(20000);
    if (out) *out = p.readAllStandardOutput();
    return p.exitCode();
  };
  QProcess window;
  window.setProcessEnvironment(env);
  window.start(VELMORA_BIN, {});
  QVERIFY(window.waitForStarted());
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link + "/Velmora.control"), 20000);

  // Changes go to the window's engine, which saves them: a run started
  // afterwards includes the new camera, and the files hold both changes.
  QCOMPARE(run({"cameras", "add-local", "2", "127.0.12.246", "pw"}), 0);
  QCOMPARE(run({"settings", "interval", "1h"}), 0);
  QByteArray out;
  QCOMPARE(run({"sync"}, &out), 0);
  QVERIFY2(out.contains("Started a run of 1 camera(s)"), out.constData());
  QCOMPARE(run({"cameras", "remove", "2"}), 0);
  QCOMPARE(run({"cameras", "add-local", "3", "127.0.12.245", "pw"}), 0);
  CameraTable saved;
  QVERIFY(load_camera_file(AppPaths::at(dir.path().toStdString()).camera_list_file(), saved));
  QCOMPARE(int(saved.size()), 1);
  QVERIFY(saved.count(3));
  QCOMPARE(run({"settings"}, &out), 0);
  QVERIFY2(out.contains("1h"), out.constData());

  // A second window start ends silently; without a display the program
  // points to the headless mode instead.
  QProcess second;
  second.setProcessEnvironment(env);
  second.start(VELMORA_BIN, {});
  QVERIFY(second.waitForFinished(20000));
  QCOMPARE(second.exitCode(), 3);
  QCOMPARE(second.readAllStandardError(), QByteArray());
  window.kill();
  window.waitForFinished(20000);
  // While the background service holds the profile a window start says so,
  // in a dialog and on standard error: its PID and how to stop it.
  {
    InstanceLock service;
    QVERIFY(service.acquire(link.toStdString()));
    QProcess refused;
    refused.setProcessEnvironment(env);
    refused.start(VELMORA_BIN, {});
    QVERIFY(refused.waitForStarted());
    QByteArray err;
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    QTRY_VERIFY_WITH_TIMEOUT((err += refused.readAllStandardError()).contains("velmora status"),
                             20000);
    QVERIFY2(err.contains(pid) && err.contains("systemctl --user stop velmora"), err.constData());
    // The dialog waits for the user.
    QCOMPARE(refused.state(), QProcess::Running);
    refused.kill();
    refused.waitForFinished(20000);
  }
  QProcess headless;
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
  headless.setProcessEnvironment(env);
  headless.start(VELMORA_BIN, {});
  QVERIFY(headless.waitForFinished(20000));
  QCOMPARE(headless.exitCode(), 2);
  QVERIFY(headless.readAllStandardError().contains("--headless"));
}

void WindowTest::a_second_start_brings_the_window_to_the_front() {
  UiRig rig;
  const QString link = rig.dir.path() + "/link";
  QVERIFY(!WindowFront::ask(link));  // no window: the caller explains the service
  WindowFront front(link);
  QVERIFY(front.listen());
  rig.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
  rig.window->setWindowState(Qt::WindowMinimized);
  QTRY_VERIFY(rig.window->in_tray());
  // Asked before the window could come forward: served once it can.
  QVERIFY(WindowFront::ask(link));
  QTest::qWait(100);
  QVERIFY(rig.window->in_tray());
  front.set_raise([&] { rig.window->bring_to_front(); });
  QTRY_VERIFY(!rig.window->in_tray() && rig.window->isVisible());
  // Minimised without a tray, and asked again.
  rig.tray_available = false;
  rig.window->setWindowState(Qt::WindowMinimized);
  QTRY_VERIFY(rig.window->isMinimized());
  QVERIFY(WindowFront::ask(link));
  QTRY_VERIFY(!rig.window->isMinimized() && rig.window->isVisible());
}

void WindowTest::every_change_is_saved_when_made_and_a_failed_save_is_shown() {
  UiRig rig;
  rig.add_local(7, "127.0.12.254");
  const AppPaths paths = rig.controller->options().paths;
  auto on_disk = [&] {
    SystemSettings s;
    std::int32_t limit = 4;
    s.load(paths.settings_file(), limit);
    return std::make_pair(s, limit);
  };
  // Nothing waits for the window to close: a session that ends first keeps
  // every change.
  rig.engine->set_interval_code(3);
  QCOMPARE(on_disk().first.interval_code, 3);
  rig.engine->set_concurrency(2);
  QCOMPARE(on_disk().second, 2);
  rig.engine->set_keep_days(30);
  QCOMPARE(on_disk().first.keep_days, 30);
  rig.controller->post(AutostartResultEvent{true});
  QTRY_VERIFY(rig.engine->auto_start());
  QVERIFY(on_disk().first.auto_start);
  rig.engine->set_alias(7, "Front door");
  AliasTable aliases;
  load_alias_file(paths.alias_file(), aliases);
  QCOMPARE(QString::fromStdString(aliases[7]), QString("Front door"));

  // A save that fails is shown; the file keeps what it had.
  const std::string blocker = saving_path(paths.alias_file()) + "/blocked";
  std::filesystem::create_directories(blocker);
  rig.engine->set_alias(7, "Back door");
  QVERIFY2(rig.window->notice_pane()->text().contains(QString::fromStdString(paths.alias_file())),
           qPrintable(rig.window->notice_pane()->text()));
  aliases.clear();
  load_alias_file(paths.alias_file(), aliases);
  QCOMPARE(QString::fromStdString(aliases[7]), QString("Front door"));
  std::filesystem::remove_all(saving_path(paths.alias_file()));

  // Ending without a question (a stop signal, the end of the session) is a
  // confirmed close.
  QSignalSpy accepted(rig.window.get(), &ui::CVelmoraDlg::closeAccepted);
  rig.window->show();
  rig.engine->start_all();
  rig.window->end_without_asking();
  QCOMPARE(accepted.count(), 1);
  QCOMPARE(rig.close_questions, 0);
  QVERIFY(rig.engine->state_of(7) == ui::CameraState::Idle);
}

void WindowTest::a_stop_signal_ends_the_window_and_keeps_its_changes() {
  ks_test::use_private_discovery_port();
  for (int sig : {SIGTERM, SIGHUP}) {
    QTemporaryDir dir;
    const QString link = dir.path() + "/link";
    QVERIFY(QDir().mkpath(link));
    QFile::setPermissions(link, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", dir.path());
    env.insert("XDG_RUNTIME_DIR", link);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess window;
    window.setProcessEnvironment(env);
    window.start(VELMORA_BIN, {});
    QVERIFY(window.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link + "/Velmora.control"), 20000);
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(VELMORA_BIN, {"settings", "interval", "1h"});
    QVERIFY(cli.waitForFinished(20000));
    QCOMPARE(cli.exitCode(), 0);
    // The start-at-login helper's report, as it reaches the window.
    LinkFrame report;
    report.msg = WM_AUTOSTART_RESULT;
    report.lparam = 1;
    QVERIFY(send_frames(link, QString::fromLatin1(kOwnEndpoint), {report}));
    const AppPaths paths = AppPaths::at(dir.path().toStdString());
    auto auto_start_on_disk = [&] {
      SystemSettings s;
      std::int32_t limit = 4;
      s.load(paths.settings_file(), limit);
      return s.auto_start;
    };
    QTRY_VERIFY_WITH_TIMEOUT(auto_start_on_disk(), 20000);

    ::kill(static_cast<pid_t>(window.processId()), sig);
    QVERIFY(window.waitForFinished(20000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    SystemSettings s;
    std::int32_t limit = 4;
    s.load(paths.settings_file(), limit);
    QVERIFY(s.auto_start);
    QCOMPARE(s.interval_code, 3);
  }
}


void WindowTest::a_failing_camera_is_told_on_the_desktop_once_per_run() {
  UiRig::Options options;
  options.retry_ms = 100;
  UiRig rig(options);
  QStringList notices;
  rig.window->hooks().desktop_notice = [&](const QString& title, const QString& text) {
    notices << title + " | " + text;
  };
  rig.add_local(31, "127.0.13.31");  // nothing listens there
  QSignalSpy ended(rig.engine.get(), &ui::EngineAdapter::runEnded);
  const QString told = "摄像机 31(127.0.13.31) 同步失败 | " + status_label(STATUS_CONNECT_FAILED);

  // The first run and its retries are one run: told once.
  rig.engine->start({31});
  QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= 3, 30000);
  QCOMPARE(notices, QStringList{told});

  // A start by hand is a new run.
  const qsizetype before = ended.count();
  rig.engine->start({31});
  QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= before + 2, 30000);
  QCOMPARE(notices, (QStringList{told, told}));

  // Switched off: nothing more.
  rig.controller->settings().notify_desktop = false;
  const qsizetype later = ended.count();
  rig.engine->start({31});
  QTRY_VERIFY_WITH_TIMEOUT(ended.count() >= later + 2, 30000);
  QCOMPARE(notices.size(), 2);
  rig.engine->stop({31});
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
