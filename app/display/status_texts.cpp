#include "status_texts.h"

#include <QCoreApplication>

#include "window_messages.h"

namespace velmora {

namespace {

struct StatusText {
  std::int32_t status;
  const char* text;
};

const StatusText kStatusTexts[] = {
    {STATUS_WAITING, QT_TRANSLATE_NOOP("Status", "等待中")},
    {STATUS_CONNECTING, QT_TRANSLATE_NOOP("Status", "连接中")},
    {STATUS_SYNCING, QT_TRANSLATE_NOOP("Status", "正在同步")},
    {STATUS_COMPLETE, QT_TRANSLATE_NOOP("Status", "同步完成")},
    {STATUS_USER_STOPPED, QT_TRANSLATE_NOOP("Status", "手动停止")},
    {STATUS_CONNECT_FAILED, QT_TRANSLATE_NOOP("Status", "连接失败")},
    {STATUS_INTERRUPTED, QT_TRANSLATE_NOOP("Status", "连接中断")},
    {STATUS_TIMED_OUT, QT_TRANSLATE_NOOP("Status", "连接超时")},
    {STATUS_LIVE_ELSEWHERE, QT_TRANSLATE_NOOP("Status", "实时监控中")},
    {STATUS_WRONG_PASSWORD, QT_TRANSLATE_NOOP("Status", "密码错误")},
    {STATUS_DISK_FULL, QT_TRANSLATE_NOOP("Status", "磁盘已满")},
};

const char* const kIntervalTexts[] = {
    QT_TRANSLATE_NOOP("Interval", "无"),     QT_TRANSLATE_NOOP("Interval", "10分钟"),
    QT_TRANSLATE_NOOP("Interval", "30分钟"), QT_TRANSLATE_NOOP("Interval", "1小时"),
    QT_TRANSLATE_NOOP("Interval", "2小时"),  QT_TRANSLATE_NOOP("Interval", "4小时"),
    QT_TRANSLATE_NOOP("Interval", "12小时"), QT_TRANSLATE_NOOP("Interval", "一天"),
    QT_TRANSLATE_NOOP("Interval", "一周"),
};

}  // namespace

std::vector<std::int32_t> shown_statuses() {
  std::vector<std::int32_t> out;
  for (const StatusText& t : kStatusTexts) out.push_back(t.status);
  return out;
}

QString status_label(std::int32_t status) {
  for (const StatusText& s : kStatusTexts)
    if (s.status == status) return QCoreApplication::translate("Status", s.text);
  return {};
}

int status_icon(std::int32_t status) {
  switch (status) {
    case STATUS_WAITING:
    case STATUS_CONNECTING: return 3;
    case STATUS_SYNCING: return 1;
    case STATUS_COMPLETE: return 4;
    case STATUS_USER_STOPPED: return 2;
    case STATUS_CONNECT_FAILED:
    case STATUS_INTERRUPTED:
    case STATUS_TIMED_OUT:
    case STATUS_LIVE_ELSEWHERE:
    case STATUS_WRONG_PASSWORD: return 5;
    case STATUS_DISK_FULL: return 6;
    default: return 0;
  }
}

QString interval_label(std::int32_t code) {
  if (code < 0 || code > 8) return {};
  return QCoreApplication::translate("Interval", kIntervalTexts[code]);
}

QString kind_label(bool local) {
  return local ? QCoreApplication::translate("Kind", "本地")
               : QCoreApplication::translate("Kind", "远程");
}

}  // namespace velmora
