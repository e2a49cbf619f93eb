// The main window: tool bar, the camera list with live progress, status bar,
// context menus, tray icon and close confirmation. It shows what the engine
// reports and turns the user's commands into engine commands; the questions
// it asks go through hooks that tests can answer.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>

#include <functional>
#include <vector>

class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTableView;

namespace velmora::ui {

class CameraDetailsDLG;
class CameraListModel;
class EngineAdapter;
class LocalLoginDLG;
class RemoteLoginDLG;
class SettingDLG;
struct RemoteAccount;

struct WindowHooks {
  std::function<bool()> confirm_close;                              // Yes = true
  std::function<bool(QString& password)> ask_password;              // OK = true
  // A local camera's address and password, filled in and changed in place.
  std::function<bool(QString& address, QString& password)> ask_local_change;
  std::function<bool(const QString& current, QString& alias)> ask_alias;
  std::function<void(const QString& folder)> open_folder;
  std::function<void(const QString& text)> show_message;
  // Whether the desktop shows tray icons; without one, minimising keeps the
  // window on the task bar instead of hiding it where nobody can reach it.
  std::function<bool()> tray_available;
  // Shows a failed camera's desktop notification (the tray's, by default).
  std::function<void(const QString& title, const QString& text)> desktop_notice;
};

class CVelmoraDlg : public QMainWindow {
  Q_OBJECT
public:
  explicit CVelmoraDlg(EngineAdapter& engine, QWidget* parent = nullptr);
  ~CVelmoraDlg() override;

  WindowHooks& hooks() { return hooks_; }

  // Commands (tool bar, menus, mouse).
  void open_add_local();
  void open_add_remote();
  void open_settings();
  void start_selected();
  void stop_selected();
  void toggle_first_selected();
  void remove_selected();
  void open_folder_of_selection();
  void change_alias();
  void change_configuration();
  // The details of the first selected camera (menu entry, Ctrl+I).
  void open_details();
  void rebuild();

  // The context menu for a right click at `pos` in the list's viewport, or
  // null when nothing is shown. Its object name is the menu's name.
  QMenu* make_context_menu(const QPoint& pos);

  // Ends the program as a confirmed close does, without asking: a stop
  // signal. After skip_close_question() (the desktop session is ending) any
  // close does the same.
  void end_without_asking();
  void skip_close_question() { ask_before_close_ = false; }

  // Tray: restores the window as a left click on the icon does.
  void restore_from_tray();
  bool in_tray() const;
  // Another start asked for the window: shown, restored and activated,
  // from the tray or minimised alike.
  void bring_to_front();

  QTableView* camera_view() const { return view_; }
  CameraListModel* model() const { return model_; }
  QLabel* auto_sync_pane() const { return auto_pane_; }
  QLabel* speed_pane() const { return speed_pane_; }
  // Says when a state file could not be saved.
  QLabel* notice_pane() const { return notice_pane_; }
  QToolBar* tool_bar() const { return tool_bar_; }
  LocalLoginDLG* add_local_dialog() const;
  RemoteLoginDLG* add_remote_dialog() const;
  SettingDLG* settings_dialog() const;
  CameraDetailsDLG* details_dialog() const;

signals:
  // The user confirmed closing: the program ends.
  void closeAccepted();

protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

private:
  void fit_columns();
  void build_tool_bar();
  void build_status_bar();
  void set_speed(qint64 kbps);
  std::vector<int> selected_ids() const;
  void show_context_menu(const QPoint& pos);
  RemoteLoginDLG* remote_dialog();
  void install_default_hooks();

  EngineAdapter& engine_;
  WindowHooks hooks_;
  CameraListModel* model_;
  QTableView* view_;
  QToolBar* tool_bar_ = nullptr;
  QLabel* auto_pane_ = nullptr;
  QLabel* speed_pane_ = nullptr;
  QLabel* notice_pane_ = nullptr;
  QSystemTrayIcon* tray_;
  bool tray_shown_ = false;
  bool closing_ = false;
  bool ask_before_close_ = true;
  QPointer<LocalLoginDLG> local_dlg_;
  QPointer<RemoteLoginDLG> remote_dlg_;
  QPointer<SettingDLG> settings_dlg_;
  QPointer<CameraDetailsDLG> details_dlg_;
};

}  // namespace velmora::ui
