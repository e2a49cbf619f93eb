#include "ui_texts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "status_texts.h"
#include "window_messages.h"

namespace velmora::ui {

namespace {

struct StatusText {
  int status;
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

QString status_label(int status) {
  for (const StatusText& s : kStatusTexts)
    if (s.status == status) return QCoreApplication::translate("Status", s.text);
  return {};
}

QString interval_label(int code) {
  if (code < 0 || code > 8) return {};
  return QCoreApplication::translate("Interval", kIntervalTexts[code]);
}

int status_icon_index(int status) { return status_icon(status); }

QTranslator* install_translation() {
  if (QLocale().language() == QLocale::Chinese) return nullptr;
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(QStringLiteral(":/velmora/i18n/velmora_en.qm"))) {
    delete t;
    return nullptr;
  }
  QCoreApplication::installTranslator(t);
  return t;
}

}  // namespace velmora::ui
