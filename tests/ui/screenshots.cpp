// Saves pictures of the window and its dialogs while simulated cameras are
// synchronised: ui_screenshots <folder> [zh|en]. Run by scripts/screenshots.sh
// under a virtual display.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "app_paths.h"
#include "camera_details_dlg.h"
#include "camera_list_model.h"
#include "camsim.h"
#include "engine_adapter.h"
#include "icons.h"
#include "local_login_dlg.h"
#include "main_window.h"
#include "nvssim.h"
#include "private_discovery_port.h"
#include "remote_login_dlg.h"
#include "setting_dlg.h"
#include "sync_controller.h"
#include "text_input_dialogs.h"
#include "ui_texts.h"
#include "window_mode.h"
#include "link_messages.h"
#include "window_messages.h"

using namespace velmora;

namespace {

bool save(QWidget* w, const QString& folder, const char* name) {
  QCoreApplication::processEvents();
  QTest::qWait(150);
  const QString path = folder + "/" + name + ".png";
  const bool ok = w->grab().save(path);
  std::printf("%s %s\n", ok ? "saved" : "FAILED", path.toLocal8Bit().constData());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: ui_screenshots <folder> [zh|en]\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  const bool english = argc > 2 && std::strcmp(argv[2], "en") == 0;
  QLocale::setDefault(english ? QLocale(QLocale::English, QLocale::UnitedKingdom)
                              : QLocale(QLocale::Chinese, QLocale::China));
  ui::install_translation();
  const char* suffix = english ? "-en" : "";

  // Cameras with recordings large enough to be caught mid-way.
  std::vector<std::unique_ptr<camsim::CameraSimulator>> sims;
  const char* addresses[] = {"127.0.13.2", "127.0.13.3", "127.0.13.4", "127.0.13.5",
                             "127.0.13.6"};
  std::map<std::string, std::uint16_t> ports;  // by address
  for (int i = 0; i < 5; ++i) {
    camsim::Config cfg;
    cfg.address = addresses[i];
    cfg.port = 0;
    cfg.password = "pw";
    cfg.recordings = camsim::generate_recordings(6 + i, 600000, 3000000, 0.4, 70 + i);
    sims.push_back(std::make_unique<camsim::CameraSimulator>(cfg));
    if (sims.back()->start() != 0) return 1;
    ports[addresses[i]] = sims.back()->port();
  }
  nvssim::Account account;
  account.user = "demo-user";
  account.password = "demo-server-pw";
  account.group = "DEMO-MAIN-0001";
  for (std::uint32_t id : {2001u, 2002u, 2003u}) {
    nvssim::Camera c;
    c.nvt_id = id;
    c.name = "remote";
    account.cameras.push_back(c);
  }
  nvssim::Config scfg;
  scfg.address = "127.0.13.9";
  scfg.accounts.push_back(account);
  nvssim::Server server(scfg);
  if (!server.start()) return 1;

  ks_test::use_private_discovery_port();
  QTemporaryDir dir;
  ControllerOptions o;
  o.paths = AppPaths::at(dir.path().toStdString());
  o.link_dir = dir.path() + "/link";
  o.listen_link = false;
  o.periodic_timers = false;
  o.speed_interval_ms = 1000;
  o.server_port = server.port();
  o.camera_port = [&ports](const CameraRecord& r) {
    auto it = ports.find(address_text(r));
    return it == ports.end() ? kCameraPort : it->second;
  };
  SyncController controller(o);
  if (!controller.start()) return 1;
  controller.scheduler().set_concurrency(3);
  ui::EngineAdapter engine(controller);
  ui::CVelmoraDlg window(engine);
  window.hooks().confirm_close = [] { return true; };
  // A virtual display has no tray; the picture stands in for one.
  window.hooks().tray_available = [] { return true; };
  QString error;
  for (int i = 0; i < 5; ++i) engine.add_local_camera(1001 + i, addresses[i], "pw", error);
  // A remote camera whose server does not answer: its row fails with the
  // engine's reason.
  engine.add_remote_camera(
      3001, {"127.0.13.10", "demo-user", "demo-server-pw", "DEMO-MAIN-0001"}, error);
  QTest::qWait(100);
  engine.set_alias(1003, english ? "Front door" : "大门");
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  engine.start_all();
  QTest::qWait(3500);
  save(&window, folder, (std::string("main-window") + suffix).c_str());

  // Discovery data as the sibling program would send it.
  auto found = [&](int id, quint32 address) {
    QByteArray r(44, '\0');
    std::memcpy(r.data(), &address, 4);
    std::memcpy(r.data() + 16, &id, 4);
    controller.post(CopyDataEvent{COPYDATA_CAMERA_FOUND, r});
  };
  found(1010, 0xC0A8010Au);
  found(1011, 0xC0A8010Bu);
  found(1207, 0xC0A80164u);
  window.open_add_local();
  window.add_local_dialog()->camera_list()->setCurrentRow(0);
  save(window.add_local_dialog(), folder, (std::string("add-local") + suffix).c_str());
  // A camera that does not announce itself, typed in.
  window.add_local_dialog()->camera_list()->setCurrentRow(-1);
  window.add_local_dialog()->id_field()->setText("1300");
  window.add_local_dialog()->address_field()->setText("192.168.1.30");
  save(window.add_local_dialog(), folder, (std::string("add-local-typed") + suffix).c_str());
  window.add_local_dialog()->close();

  window.open_add_remote();
  ui::RemoteLoginDLG* remote = window.add_remote_dialog();
  remote->prefill({"127.0.13.9", "demo-user", "demo-server-pw", "DEMO-MAIN-0001"});
  remote->connect_server();
  for (int i = 0; i < 100 && remote->camera_list()->count() == 0; ++i) QTest::qWait(50);
  remote->camera_list()->setCurrentRow(0);
  save(remote, folder, (std::string("add-remote") + suffix).c_str());
  // The same account with a wrong password: the dialog says why.
  remote->password_field()->setText("not-the-password");
  remote->connect_server();
  for (int i = 0; i < 100 && remote->camera_list()->count() != 0; ++i) QTest::qWait(50);
  QTest::qWait(300);
  save(remote, folder, (std::string("add-remote-refused") + suffix).c_str());
  remote->close();

  window.open_settings();
  save(window.settings_dialog(), folder, (std::string("settings") + suffix).c_str());
  window.settings_dialog()->close();

  ui::ModifyLocalRSIDLG password(&window);
  password.field()->setText("secret");
  password.show();
  save(&password, folder, (std::string("password") + suffix).c_str());
  password.close();
  ui::AliasInputDLG alias(english ? "Front door" : "大门", &window);
  alias.show();
  save(&alias, folder, (std::string("alias") + suffix).c_str());
  alias.close();

  // The tray state: the window is hidden and only the icon remains.
  window.setWindowState(Qt::WindowMinimized);
  QTest::qWait(200);
  {
    QPixmap tray(180, 40);
    tray.fill(QColor("#2b2f36"));
    QPainter p(&tray);
    p.drawPixmap(146, 8, ui::program_icon().pixmap(24, 24));
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, 130, 40), Qt::AlignVCenter, window.isVisible() ? "?" : "Velmora");
    p.end();
    const QString path = folder + "/tray" + suffix + ".png";
    std::printf("%s %s\n", tray.save(path) ? "saved" : "FAILED", path.toLocal8Bit().constData());
  }
  window.restore_from_tray();

  // Let the run end so the finished rows show too.
  for (int i = 0; i < 600; ++i) {
    bool all = true;
    for (int row = 0; row < 5; ++row)
      all = all && window.model()->index(row, 0).data(ui::CameraListModel::StatusRole).toInt() == STATUS_COMPLETE;
    if (all) break;
    QTest::qWait(100);
  }
  save(&window, folder, (std::string("main-window-later") + suffix).c_str());

  // Why the remote camera failed, in its details.
  for (int i = 0; i < 200 && engine.last_run(3001).reason.isEmpty(); ++i) QTest::qWait(50);
  window.camera_view()->selectRow(window.model()->row_of(3001));
  window.open_details();
  save(window.details_dialog(), folder, (std::string("details") + suffix).c_str());
  window.details_dialog()->close();

  // A window start while the background service runs.
  {
    std::unique_ptr<QMessageBox> box(ui::background_instance_box(ui::background_instance_text(4242)));
    box->show();
    save(box.get(), folder, (std::string("service-running") + suffix).c_str());
  }
  window.close();
  controller.shutdown();
  server.stop();
  for (auto& s : sims) s->stop();
  return 0;
}
