// A camera's runs as the window tells them: the outcome, the reason the
// console prints for it and what the user can do, from the engine's last
// run and the history log; and why discovery does not listen.
#include <QCoreApplication>

#include <algorithm>
#include <cstring>

#include "engine_adapter.h"
#include "printable_text.h"
#include "run_history.h"
#include "run_result.h"
#include "status_texts.h"
#include "sync_controller.h"

namespace velmora::ui {

namespace {

// The reason of a run that did not complete, as the console words it: the
// engine's own text when it gave one, else what the status says.
QString reason_of(const RunResult& r) {
  if (run_ok(r) || r.status == STATUS_USER_STOPPED) return {};
  if (!r.error.empty()) return QString::fromStdString(printable_text(r.error));
  if (status_completes(r.status))
    return EngineAdapter::tr("%1 个录像未能保存").arg(r.skipped);
  if (r.status == STATUS_NONE) return EngineAdapter::tr("同步未结束（程序在同步中退出）");
  return status_label(r.status);
}

// What the user can do about an outcome; "" when nothing is needed. The
// words are the history's outcome words.
QString advice_of(const RunResult& r) {
  const std::string word = outcome_word(r);
  if (word == "complete" && r.skipped > 0)
    return EngineAdapter::tr("检查下载文件夹是否可写、磁盘是否正常；下次同步会再试这些录像。");
  if (word == "wrong-password")
    return EngineAdapter::tr("在该摄像机的右键菜单中选择“修改配置”，输入正确的密码。"
                             "密码改正之前不会自动重试。");
  if (word == "server-login-refused")
    return EngineAdapter::tr("检查服务器账户的用户名、密码和主摄像机序列号（右键菜单“修改配置”）。");
  if (word == "server-unreachable")
    return EngineAdapter::tr("检查服务器地址和网络连接；失败的摄像机会自动重试。");
  if (word == "camera-not-in-account")
    return EngineAdapter::tr("该摄像机已不在服务器账户中：重新添加或移除它。");
  if (word == "write-failed")
    return EngineAdapter::tr("检查下载文件夹（“设置”）是否存在、可写，磁盘是否正常。");
  if (word == "disk-full")
    return EngineAdapter::tr("释放下载磁盘的空间，或在“设置”中选择其他下载文件夹，然后重新开始同步。");
  if (word == "connection-failed" || word == "timed-out" || word == "connection-interrupted")
    return EngineAdapter::tr("检查摄像机是否通电、已连接网络、地址是否正确；失败的摄像机会自动重试。");
  if (word == "live-elsewhere")
    return EngineAdapter::tr("摄像机正在别处实时监控；监控结束后会自动重试。");
  if (word == "not-finished") return EngineAdapter::tr("下次同步时会继续。");
  return {};
}

RunSummary summary_of(const RunResult& r) {
  RunSummary s;
  s.has_run = true;
  s.status = r.status;
  s.ok = run_ok(r);
  s.outcome = status_label(r.status);
  if (s.outcome.isEmpty()) s.outcome = EngineAdapter::tr("未结束");
  s.reason = reason_of(r);
  s.advice = advice_of(r);
  s.started = r.started;
  s.ended = r.ended;
  s.fetched = r.fetched;
  s.queued = r.queued;
  return s;
}

}  // namespace

RunSummary EngineAdapter::last_run(int id) const {
  const RunResult* r = controller_.last_run(id);
  return r ? summary_of(*r) : RunSummary{};
}

std::vector<RunSummary> EngineAdapter::recent_runs(int id, int max) const {
  std::vector<RunSummary> out;
  const RunHistory history(controller_.options().paths.history_file());
  const std::vector<RunResult> runs = history.read();
  for (auto it = runs.rbegin(); it != runs.rend() && static_cast<int>(out.size()) < max; ++it)
    if (it->camera_id == id) out.push_back(summary_of(*it));
  return out;
}

qint64 EngineAdapter::last_automatic_run() const {
  return controller_.next_automatic_run().last_s;
}

bool EngineAdapter::discovery_listening() const { return controller_.search().running(); }

QString EngineAdapter::discovery_problem() const {
  const int error = controller_.search().listen_error();
  if (controller_.search().running() || error == 0) return {};
  return tr("无法搜索局域网中的摄像机：接收摄像机通告的端口无法监听（%1）。"
            "可能有其他程序正在使用该端口；请在下方输入摄像机的编号和地址。")
      .arg(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace velmora::ui
