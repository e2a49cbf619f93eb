// The dialogs against the real engine: settings (file values, saving only
// what changed, start at login through the helper program), add-local from
// discovery data, add-remote through the simulated video server, and the
// single-instance rule of the modeless dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <cerrno>
#include <cstring>

#include "camera_list_model.h"
#include "camsim.h"
#include "local_login_dlg.h"
#include "nvssim.h"
#include "remote_login_dlg.h"
#include "setting_dlg.h"
#include "sibling_link.h"
#include "system_settings.h"
#include "ui_test_support.h"
#include "link_messages.h"
#include "window_messages.h"

using namespace velmora;
using velmora::test::UiRig;

namespace {

// A discovery record as the sibling sends it: address (host order) at 0,
// camera id at 16.
QByteArray discovery_record(int id, quint32 address) {
  QByteArray r(44, '\0');
  std::memcpy(r.data(), &address, 4);
  std::memcpy(r.data() + 16, &id, 4);
  return r;
}

void write_file(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT
private slots:
  void settings_dialog_shows_the_file_values_and_saves_only_changes();
  void start_at_login_runs_the_helper_and_flips_only_on_its_result();
  void a_helper_that_cannot_start_is_reported();
  void add_local_lists_discovered_cameras_and_adds_with_password();
  void add_local_takes_a_typed_address_and_says_what_happened();
  void add_local_shows_why_discovery_cannot_listen();
  void add_remote_logs_in_lists_and_adds_through_the_server();
  void changed_configuration_restarts_a_waiting_running_or_failed_camera();
  void modeless_dialogs_exist_once();
};

void DialogTest::settings_dialog_shows_the_file_values_and_saves_only_changes() {
  UiRig::Options options;
  options.prepare = [](const AppPaths& paths) {
    write_file(QString::fromStdString(paths.settings_file()),
               "<SystemSetting name=\"Velmora Settings\"><AutoStart>1</AutoStart>"
               "<MaxConcurrency>7</MaxConcurrency><AutoSynInterval>3</AutoSynInterval>"
               "<KeepDays>45</KeepDays><MinFreeBytes>1610612737</MinFreeBytes>"
               "</SystemSetting>");
  };
  UiRig rig(options);

  rig.window->open_settings();
  ui::SettingDLG* d = rig.window->settings_dialog();
  QVERIFY(d);
  QVERIFY(d->auto_start_box()->isChecked());
  QCOMPARE(d->concurrency_box()->currentText(), QString("4"));
  QCOMPARE(d->interval_box()->currentIndex(), 3);
  QCOMPARE(d->interval_box()->currentText(), QString("1小时"));
  QCOMPARE(d->interval_box()->count(), 9);
  QCOMPARE(d->root_field()->toPlainText(), rig.engine->download_root());
  QVERIFY(d->root_field()->isReadOnly());

  QSignalSpy posted(rig.engine.get(), &ui::EngineAdapter::posted);
  d->save();
  QCOMPARE(posted.count(), 0);
  QTRY_VERIFY(!rig.window->settings_dialog());

  rig.window->open_settings();
  d = rig.window->settings_dialog();
  d->concurrency_box()->setCurrentIndex(1);
  d->interval_box()->setCurrentIndex(0);
  d->save();
  QCOMPARE(posted.count(), 1);
  QCOMPARE(posted.at(0).at(0).toUInt(), unsigned(WM_INTERVAL_CHANGED));
  QCOMPARE(rig.engine->concurrency(), 2);
  QCOMPARE(rig.engine->interval_code(), 0);
  // A limit in bytes that the MiB box cannot show stays unless it is changed.
  QCOMPARE(rig.engine->min_free_bytes(), Q_INT64_C(1610612737));
  QCOMPARE(rig.engine->keep_days(), 45);

  rig.window->open_settings();
  d = rig.window->settings_dialog();
  QCOMPARE(d->min_free_box()->value(), 1536);
  QCOMPARE(d->keep_days_box()->value(), 45);
  d->min_free_box()->setValue(0);
  d->keep_days_box()->setValue(0);
  d->save();
  QCOMPARE(rig.engine->min_free_bytes(), Q_INT64_C(0));
  QCOMPARE(rig.engine->keep_days(), 0);
  QTRY_VERIFY(!rig.window->settings_dialog());

  // The speed limit: the default pacing shown as the rate it gives; a rate
  // becomes the pacing that keeps below it, and a pacing the box cannot
  // show exactly stays unless the box is changed.
  rig.window->open_settings();
  d = rig.window->settings_dialog();
  QCOMPARE(d->rate_box()->value(), 256);
  QVERIFY2(d->rate_label()->text().contains("500") &&
               d->rate_label()->text().contains("256 KiB/s"),
           qPrintable(d->rate_label()->text()));
  d->rate_box()->setValue(2048);
  QVERIFY2(d->rate_label()->text().contains("63") &&
               d->rate_label()->text().contains("1.98 MiB/s"),
           qPrintable(d->rate_label()->text()));
  d->save();
  QCOMPARE(rig.engine->pacing_ms(), 63);
  SystemSettings stored;
  std::int32_t limit = 0;
  stored.load(rig.controller->options().paths.settings_file(), limit);
  QCOMPARE(stored.pacing_ms, 63);
  QTRY_VERIFY(!rig.window->settings_dialog());
  rig.window->open_settings();
  d = rig.window->settings_dialog();
  QCOMPARE(d->rate_box()->value(), 2031);
  d->save();
  QCOMPARE(rig.engine->pacing_ms(), 63);
  QTRY_VERIFY(!rig.window->settings_dialog());
  rig.window->open_settings();
  d = rig.window->settings_dialog();
  d->rate_box()->setValue(0);
  QCOMPARE(d->rate_label()->text(), QString("不限速：一块下载完立即请求下一块"));
  d->save();
  QCOMPARE(rig.engine->pacing_ms(), 0);

  // Browse: a folder that cannot be created keeps the dialog open and the
  // root unchanged; a good one becomes the root, saved by name.
  const QString root_before = rig.engine->download_root();
  rig.window->open_settings();
  d = rig.window->settings_dialog();
  QCOMPARE(d->root_source_label()->text(), QString("默认路径"));
  QVERIFY(d->browse_button());
  const QString file = QString::fromStdString(rig.controller->options().paths.settings_file());
  d->choose_folder(file + "/below-a-file");
  d->save();
  QCOMPARE(rig.engine->download_root(), root_before);
  QCOMPARE(rig.window->settings_dialog(), d);
  QVERIFY(d->root_source_label()->text().contains("below-a-file"));
  QTemporaryDir elsewhere;
  d->choose_folder(elsewhere.path() + "/recordings");
  d->save();
  QCOMPARE(rig.engine->download_root(), elsewhere.path() + "/recordings");
  QVERIFY(QFileInfo(elsewhere.path() + "/recordings").isDir());
  QFile saved(file);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QVERIFY(QString::fromUtf8(saved.readAll())
              .contains("<DownloadFolder>" + elsewhere.path() + "/recordings<"));
  QTRY_VERIFY(!rig.window->settings_dialog());
  rig.window->open_settings();
  QCOMPARE(rig.window->settings_dialog()->root_source_label()->text(), QString("来自本程序的设置"));
}

void DialogTest::start_at_login_runs_the_helper_and_flips_only_on_its_result() {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  UiRig rig;
  rig.engine->set_autostart_module(AUTOSTART_BIN);
  const QString entry = config.path() + "/autostart/velmora.desktop";
  QVERIFY(!rig.engine->auto_start());

  rig.window->open_settings();
  ui::SettingDLG* d = rig.window->settings_dialog();
  d->auto_start_box()->setChecked(true);
  QSignalSpy posted(rig.engine.get(), &ui::EngineAdapter::posted);
  d->save();
  QCOMPARE(posted.count(), 1);
  QCOMPARE(posted.at(0).at(0).toUInt(), unsigned(WM_AUTOSTART_TOGGLE));
  QVERIFY(!rig.engine->auto_start());  // not before the helper reports
  QTRY_VERIFY(rig.engine->auto_start());
  QFile f(entry);
  QVERIFY(f.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(f.readAll());
  QVERIFY(text.contains("Exec=\"" + rig.engine->program_path() + "\""));

  // Unticking asks for removal.
  rig.window->open_settings();
  d = rig.window->settings_dialog();
  QVERIFY(d->auto_start_box()->isChecked());
  d->auto_start_box()->setChecked(false);
  d->save();
  QTRY_VERIFY(!rig.engine->auto_start());
  QVERIFY(!QFile::exists(entry));
  qunsetenv("XDG_CONFIG_HOME");
}

void DialogTest::a_helper_that_cannot_start_is_reported() {
  UiRig rig;
  rig.engine->set_autostart_module("/nonexistent/velmora-autostart");
  rig.engine->request_autostart_toggle();
  QTRY_COMPARE(rig.last_message, QString("create auto start module fail!"));
  QVERIFY(!rig.engine->auto_start());
}

void DialogTest::add_local_lists_discovered_cameras_and_adds_with_password() {
  UiRig rig;
  auto found = [&](int id, quint32 address) {
    QByteArray data = discovery_record(id, address);
    rig.controller->post(CopyDataEvent{COPYDATA_CAMERA_FOUND, data});
  };
  found(12, 0x7F000C0Cu);  // 127.0.12.12
  rig.window->open_add_local();
  ui::LocalLoginDLG* d = rig.window->add_local_dialog();
  QVERIFY(d);
  QTRY_COMPARE(d->camera_list()->count(), 1);
  // Later announcements refresh the open dialog; the list is sorted as text;
  // a camera found again with a new address is listed once.
  found(100, 0x7F000C64u);
  found(12, 0x7F000C0Du);
  QTRY_COMPARE(d->camera_list()->count(), 2);
  QCOMPARE(d->camera_list()->item(0)->text(), QString("100(127.0.12.100)"));
  QCOMPARE(d->camera_list()->item(1)->text(), QString("12(127.0.12.13)"));

  // Cancelled password: nothing is added.
  rig.password_answer = QString();
  d->camera_list()->setCurrentRow(1);
  d->add_selected();
  QTest::qWait(50);
  QVERIFY(!rig.engine->has_camera(12));

  rig.password_answer = "secret";
  d->add_selected();
  QTRY_VERIFY(rig.engine->has_camera(12));
  QVERIFY(rig.engine->is_local(12));
  QCOMPARE(rig.cell(0, ui::CameraListModel::ColCamera), QString("12(127.0.12.13)"));
  QVERIFY(d->isVisible() || !rig.window->isVisible());  // stays open for more

  // Adding it again replaces the record: its row is selected and the camera
  // stopped first.
  rig.engine->start({12});
  QVERIFY(rig.engine->state_of(12) != ui::CameraState::Idle);
  rig.password_answer = "newer";
  d->add_selected();
  QCOMPARE(rig.window->camera_view()->selectionModel()->selectedRows().size(), 1);
  QTRY_VERIFY(rig.engine->state_of(12) == ui::CameraState::Idle);
  CameraTable saved;
  QTRY_VERIFY(load_camera_file(rig.controller->options().paths.camera_list_file(), saved) &&
              saved.count(12) && field_text(saved[12].local_password) == "newer");

  // Changing a local camera's configuration: labelled address and password,
  // filled in, and checked before the dialog closes.
  rig.window->camera_view()->selectRow(0);
  QString shown;
  rig.local_change = [&](ui::ModifyLocalRSIDLG& c) {
    auto* form = c.findChild<QFormLayout*>();
    QVERIFY(form && form->labelForField(c.address_field()) && form->labelForField(c.field()));
    shown = c.address_field()->text() + " " + c.field()->text();
    c.address_field()->setText("127.0.12.300");
    c.accept();
    QCOMPARE(c.result(), int(QDialog::Rejected));
    QVERIFY(c.error_label()->isVisibleTo(&c));
    c.address_field()->setText("127.0.12.14");
    c.field()->setText(QString(16, QChar('p')));
    c.accept();
    QCOMPARE(c.result(), int(QDialog::Rejected));
    c.field()->setText("changed");
    c.accept();
  };
  rig.window->change_configuration();
  QCOMPARE(shown, QString("127.0.12.13 newer"));
  QTRY_VERIFY(load_camera_file(rig.controller->options().paths.camera_list_file(), saved) &&
              address_text(saved[12]) == "127.0.12.14" &&
              field_text(saved[12].local_password) == "changed");
  rig.local_change = nullptr;

  // A password that does not fit is refused with a reason.
  rig.password_answer = QString(16, QChar('p'));
  d->camera_list()->setCurrentRow(0);
  d->add_selected();
  QVERIFY(!rig.last_message.isEmpty());
  QTest::qWait(50);
  QVERIFY(!rig.engine->has_camera(100));
}

void DialogTest::add_local_takes_a_typed_address_and_says_what_happened() {
  UiRig rig;
  rig.window->open_add_local();
  ui::LocalLoginDLG* d = rig.window->add_local_dialog();
  QVERIFY(d);
  QCOMPARE(d->search_label()->text(), QString("正在搜索局域网中的摄像机……"));

  // Nothing chosen or typed: said, and nothing asked.
  rig.password_answer = "never asked";
  d->add_selected();
  QCOMPARE(d->status_label()->text(), QString("请在列表中选择一台摄像机，或输入摄像机的编号和地址。"));

  // An address the camera record would refuse is refused here, with the
  // reason; the record's check decides, not the resolver's leniency.
  d->id_field()->setText("55");
  for (const char* bad : {"127.0.12.300", "127.1"}) {
    d->address_field()->setText(bad);
    d->add_selected();
    QVERIFY2(d->status_label()->text().contains(bad), qPrintable(d->status_label()->text()));
  }
  QTest::qWait(50);
  QVERIFY(!rig.engine->has_camera(55));

  // A host name is looked up once; the camera keeps the address.
  rig.password_answer = "pw";
  d->address_field()->setText(" localhost ");
  d->add_selected();
  QTRY_VERIFY(rig.engine->has_camera(55));
  QString address, password;
  QVERIFY(rig.engine->local_settings(55, address, password));
  QCOMPARE(address, QString("127.0.0.1"));
  QVERIFY2(d->status_label()->text().contains("已添加摄像机 55（127.0.0.1）"),
           qPrintable(d->status_label()->text()));

  // A found camera fills the fields; a later refresh keeps what was typed.
  QByteArray data = discovery_record(12, 0x7F000C0Cu);
  rig.controller->post(CopyDataEvent{COPYDATA_CAMERA_FOUND, data});
  QTRY_COMPARE(d->camera_list()->count(), 1);
  QVERIFY(d->search_label()->text().startsWith("找到 1 台摄像机"));
  d->camera_list()->setCurrentRow(0);
  QCOMPARE(d->id_field()->text() + " " + d->address_field()->text(), QString("12 127.0.12.12"));
  d->address_field()->setText("127.0.12.99");
  rig.controller->post(CopyDataEvent{COPYDATA_CAMERA_FOUND, discovery_record(13, 0x7F000C0Du)});
  QTRY_COMPARE(d->camera_list()->count(), 2);
  QCOMPARE(d->address_field()->text(), QString("127.0.12.99"));
}

void DialogTest::add_local_shows_why_discovery_cannot_listen() {
  // Another program holds the port the announcements arrive on.
  ks_test::use_private_discovery_port();
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(qEnvironmentVariableIntValue("KESTRUNE_DISCOVERY_PORT")));
  QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  {
    UiRig rig;
    rig.window->open_add_local();
    ui::LocalLoginDLG* d = rig.window->add_local_dialog();
    const QString text = d->search_label()->text();
    QVERIFY2(text.startsWith("无法搜索局域网中的摄像机") &&
                 text.contains(QString::fromLocal8Bit(std::strerror(EADDRINUSE))),
             qPrintable(text));
    QVERIFY(d->id_field()->isEnabled() && d->address_field()->isEnabled());
  }
  ::close(fd);
}

void DialogTest::add_remote_logs_in_lists_and_adds_through_the_server() {
  nvssim::Account account;
  account.user = "alice";
  account.password = "server-pw";
  account.group = "MAIN-0001";
  account.user_id = 3;
  for (std::uint32_t id : {501u, 502u}) {
    nvssim::Camera c;
    c.nvt_id = id;
    c.name = "cam";
    account.cameras.push_back(c);
  }
  nvssim::Config cfg;
  cfg.address = "127.0.12.40";
  cfg.port = 0;
  cfg.accounts.push_back(account);
  nvssim::Server server(cfg);
  QVERIFY(server.start());

  UiRig::Options options;
  options.server_port = server.port();
  UiRig rig(options);

  rig.window->open_add_remote();
  ui::RemoteLoginDLG* d = rig.window->add_remote_dialog();
  QVERIFY(d);
  QVERIFY(!d->add_button()->isEnabled());
  QCOMPARE(d->password_field()->echoMode(), QLineEdit::Password);

  // A field over its byte limit is refused, not cut.
  d->address_field()->setText("127.0.12.40");
  d->user_field()->setText(QString(50, QChar('u')));
  d->password_field()->setText("server-pw");
  d->serial_field()->setText("MAIN-0001");
  d->connect_server();
  QVERIFY(rig.last_message.contains("49"));

  // Addresses the library would take but the record refuses are named in
  // the dialog and never reach a server ("127.000.000.010" would be octal).
  d->user_field()->setText("alice");
  for (const char* bad : {"127.1", "127.000.012.040", "not an address"}) {
    d->address_field()->setText(bad);
    d->connect_server();
    QVERIFY2(d->status_label()->text().contains(bad), bad);
  }
  QCOMPARE(server.counters().control_connections, 0);

  // Nobody listens at this address: the system's reason is shown.
  d->address_field()->setText("127.0.12.41");
  d->connect_server();
  QTRY_VERIFY_WITH_TIMEOUT(d->status_label()->text().contains(qt_error_string(ECONNREFUSED)),
                           10000);

  // A wrong password: the list stays empty and the refusal is shown.
  d->address_field()->setText("127.0.12.40");
  d->password_field()->setText("wrong");
  d->connect_server();
  const QString refused = QCoreApplication::translate(
      "velmora::ui::RemoteLoginDLG",
      "服务器拒绝登录（用户名、密码或主摄像机序列号有误，代码 %1）");
  const QString prefix = refused.left(refused.indexOf("%1"));
  QTRY_VERIFY_WITH_TIMEOUT(d->status_label()->text().startsWith(prefix), 10000);
  QTest::qWait(200);  // the closed connection that follows keeps the reason
  QVERIFY(d->status_label()->text().startsWith(prefix));
  QCOMPARE(d->camera_list()->count(), 0);
  QVERIFY(!d->add_button()->isEnabled());

  // Surrounding blanks are trimmed before the address is used and stored.
  d->address_field()->setText(" 127.0.12.40 ");
  d->password_field()->setText("server-pw");
  d->connect_server();
  QTRY_COMPARE_WITH_TIMEOUT(d->camera_list()->count(), 2, 10000);
  QVERIFY(d->add_button()->isEnabled());
  d->camera_list()->setCurrentRow(1);
  d->add_button()->click();
  QTRY_VERIFY_WITH_TIMEOUT(rig.engine->has_camera(502), 10000);
  QVERIFY(!rig.engine->is_local(502));
  const ui::RemoteAccount a = rig.engine->remote_account(502);
  QCOMPARE(a.server_address, QString("127.0.12.40"));
  QCOMPARE(a.user, QString("alice"));
  QCOMPARE(a.password, QString("server-pw"));
  QCOMPARE(a.serial, QString("MAIN-0001"));
  QVERIFY(d->status_label()->text().contains("502"));

  // The same camera again replaces its record, and the dialog says it was listed.
  const QString added = d->status_label()->text();
  d->add_button()->click();
  QTRY_VERIFY_WITH_TIMEOUT(d->status_label()->text() != added, 10000);
  QCOMPARE(d->status_label()->text(),
           QCoreApplication::translate("velmora::ui::RemoteLoginDLG",
                                       "摄像机 %1 已在列表中；已用新的设置替换")
               .arg(502));
  QTRY_VERIFY_WITH_TIMEOUT(rig.engine->has_camera(502), 10000);

  // Changing the configuration of a remote camera pre-fills the dialog.
  d->close();
  QTRY_VERIFY(!rig.window->add_remote_dialog());
  rig.window->camera_view()->selectRow(0);
  rig.window->change_configuration();
  d = rig.window->add_remote_dialog();
  QVERIFY(d);
  QCOMPARE(d->user_field()->text(), QString("alice"));
  QCOMPARE(d->serial_field()->text(), QString("MAIN-0001"));
  d->close();
  QTRY_COMPARE_WITH_TIMEOUT(server.counters().logout_notices, 1, 5000);
  server.stop();
}

// As "cameras set" does: a camera that was waiting, running or had failed
// starts again with its new address; one that completed stays as it is.
void DialogTest::changed_configuration_restarts_a_waiting_running_or_failed_camera() {
  camsim::Config good_cfg;
  good_cfg.address = "127.0.12.51";
  good_cfg.port = 0;
  good_cfg.password = "pw";
  good_cfg.recordings = camsim::generate_recordings(2, 1000, 20000, 0.5, 51);
  camsim::CameraSimulator good(good_cfg);
  QCOMPARE(good.start(), 0);
  camsim::Config silent_cfg;
  silent_cfg.address = "127.0.12.52";
  silent_cfg.port = 0;
  silent_cfg.answer_login = false;
  camsim::CameraSimulator silent(silent_cfg);
  QCOMPARE(silent.start(), 0);
  UiRig::Options options;
  // Any other address: a port nothing listens on, so the login fails at once.
  options.camera_port = [&](const CameraRecord& r) -> std::uint16_t {
    const std::string a = address_text(r);
    return a == "127.0.12.51" ? good.port() : a == "127.0.12.52" ? silent.port() : 1;
  };
  UiRig rig(options);
  rig.engine->set_concurrency(1);
  rig.add_local(50, "127.0.12.52");  // runs, never answered
  rig.add_local(51, "127.0.12.52");  // waits for the one slot
  rig.add_local(52, "127.0.12.53");  // fails
  rig.engine->start({52});
  QTRY_VERIFY(status_is_final(rig.controller->view(52).status) &&
              rig.engine->state_of(52) == ui::CameraState::Idle);
  QVERIFY(rig.controller->view(52).status != STATUS_COMPLETE);
  rig.engine->start({50, 51});
  QTRY_VERIFY(rig.engine->state_of(50) == ui::CameraState::Running);
  QCOMPARE(rig.engine->state_of(51), ui::CameraState::Waiting);

  auto change = [&](int row, const char* address) {
    rig.local_change = [address](ui::ModifyLocalRSIDLG& c) {
      c.address_field()->setText(address);
      c.accept();
    };
    rig.window->camera_view()->selectRow(row);
    rig.window->change_configuration();
  };
  auto completes = [&](int id) {
    QTRY_VERIFY_WITH_TIMEOUT(rig.controller->view(id).status == STATUS_COMPLETE, 20000);
  };
  change(1, "127.0.12.51");  // the waiting one waits again, with its new record
  QCOMPARE(rig.engine->state_of(51), ui::CameraState::Waiting);
  change(0, "127.0.12.51");  // the running one: restarted, it completes, then 51 does
  completes(50);
  completes(51);
  change(2, "127.0.12.51");  // the failed one
  completes(52);
  // A completed camera is not started by a change.
  change(0, "127.0.12.52");
  QTest::qWait(100);
  QCOMPARE(rig.engine->state_of(50), ui::CameraState::Idle);
  QCOMPARE(rig.controller->view(50).status, STATUS_COMPLETE);
  good.stop();
  silent.stop();
}

void DialogTest::modeless_dialogs_exist_once() {
  UiRig rig;
  rig.window->open_add_local();
  rig.window->open_add_remote();
  rig.window->open_settings();
  auto* local = rig.window->add_local_dialog();
  auto* remote = rig.window->add_remote_dialog();
  auto* settings = rig.window->settings_dialog();
  rig.window->open_add_local();
  rig.window->open_add_remote();
  rig.window->open_settings();
  QCOMPARE(rig.window->add_local_dialog(), local);
  QCOMPARE(rig.window->add_remote_dialog(), remote);
  QCOMPARE(rig.window->settings_dialog(), settings);
  QCOMPARE(rig.window->findChildren<ui::LocalLoginDLG*>().size(), 1);
}

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
