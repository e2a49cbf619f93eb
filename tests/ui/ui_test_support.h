// Shared set-up of the window tests: a private APPDATA, an engine that is
// started and stopped around each test, and a window whose questions are
// answered by the test.
#pragma once

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include "app_paths.h"
#include "engine_adapter.h"
#include "main_window.h"
#include "text_input_dialogs.h"
#include "private_discovery_port.h"
#include "sync_controller.h"

namespace velmora::test {

struct UiRig {
  QTemporaryDir dir;
  std::unique_ptr<SyncController> controller;
  std::unique_ptr<ui::EngineAdapter> engine;
  std::unique_ptr<ui::CVelmoraDlg> window;
  int close_questions = 0;
  bool close_answer = false;
  QString last_message;
  QString last_opened;
  QString password_answer = QStringLiteral("pw");
  // Plays the part of the user in the change-configuration dialog of a
  // local camera (unset: cancelled).
  std::function<void(ui::ModifyLocalRSIDLG&)> local_change;
  bool tray_available = true;

  struct Options {
    int speed_ms = 4000;
    bool listen = false;  // open the program's endpoint in dir/link, as a running Velmora does
    unsigned short server_port = 0;  // 0: the program's own
    std::function<void(const AppPaths&)> prepare;  // writes files before the start
    CameraPortOf camera_port;  // where simulated local cameras listen
    int retry_ms = 0;  // > 0: failed cameras are retried this often
  };

  UiRig() : UiRig(Options{}) {}
  explicit UiRig(const Options& options) { start(options); }

  void start(const Options& options) {
    ks_test::use_private_discovery_port();
    const int speed_ms = options.speed_ms;
    const bool listen = options.listen;
    ControllerOptions o;
    o.paths = AppPaths::at(dir.path().toStdString());
    o.paths.create_folders();
    if (options.prepare) options.prepare(o.paths);
    if (options.server_port) o.server_port = options.server_port;
    o.camera_port = options.camera_port;
    o.link_dir = dir.path() + "/link";
    QDir().mkpath(o.link_dir);
    // It stands in for the runtime folder, which is private.
    QFile::setPermissions(o.link_dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    o.listen_link = listen;
    o.periodic_timers = options.retry_ms > 0;
    if (options.retry_ms > 0) o.retry_interval_ms = options.retry_ms;
    o.speed_interval_ms = speed_ms;
    controller = std::make_unique<SyncController>(o);
    QVERIFY(controller->start());
    engine = std::make_unique<ui::EngineAdapter>(*controller);
    window = std::make_unique<ui::CVelmoraDlg>(*engine);
    ui::WindowHooks& h = window->hooks();
    h.confirm_close = [this] {
      ++close_questions;
      return close_answer;
    };
    h.ask_password = [this](QString& pw) {
      pw = password_answer;
      return !password_answer.isNull();
    };
    h.ask_local_change = [this](QString& address, QString& pw) {
      ui::ModifyLocalRSIDLG d(address, pw);
      if (local_change) local_change(d);
      address = d.address();
      pw = d.password();
      return d.result() == QDialog::Accepted;
    };
    h.ask_alias = [](const QString&, QString&) { return false; };
    h.open_folder = [this](const QString& f) { last_opened = f; };
    h.show_message = [this](const QString& t) { last_message = t; };
    h.tray_available = [this] { return tray_available; };
  }

  ~UiRig() {
    window.reset();
    controller->shutdown();
    engine.reset();
    controller.reset();
  }

  // Adds a local camera through the posted message, as the dialogs do.
  void add_local(int id, const char* address, const char* password = "pw") {
    QString error;
    QVERIFY2(engine->add_local_camera(id, address, password, error), qPrintable(error));
    QTRY_VERIFY(engine->has_camera(id));
  }

  QString cell(int row, int column) const {
    return window->model()->index(row, column).data().toString();
  }
};

}  // namespace velmora::test
