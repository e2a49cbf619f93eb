#include "status_texts.h"

#include "window_messages.h"

namespace velmora {

const char* status_text(std::int32_t status) {
  switch (status) {
    case STATUS_WAITING: return "等待中";
    case STATUS_CONNECTING: return "连接中";
    case STATUS_SYNCING: return "正在同步";
    case STATUS_COMPLETE: return "同步完成";
    case STATUS_USER_STOPPED: return "手动停止";
    case STATUS_CONNECT_FAILED: return "连接失败";
    case STATUS_INTERRUPTED: return "连接中断";
    case STATUS_TIMED_OUT: return "连接超时";
    case STATUS_LIVE_ELSEWHERE: return "实时监控中";
    case STATUS_WRONG_PASSWORD: return "密码错误";
    case STATUS_DISK_FULL: return "磁盘已满";
    default: return "";
  }
}

const char* status_english(std::int32_t status) {
  switch (status) {
    case STATUS_WAITING: return "waiting";
    case STATUS_CONNECTING: return "connecting";
    case STATUS_SYNCING: return "synchronising";
    case STATUS_COMPLETE: return "complete";
    case STATUS_USER_STOPPED: return "stopped";
    case STATUS_CONNECT_FAILED: return "connection failed";
    case STATUS_INTERRUPTED: return "connection interrupted";
    case STATUS_TIMED_OUT: return "timed out";
    case STATUS_LIVE_ELSEWHERE: return "in live view elsewhere";
    case STATUS_WRONG_PASSWORD: return "wrong password";
    case STATUS_DISK_FULL: return "disk full";
    default: return "idle";
  }
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

const char* interval_text(std::int32_t code) {
  static const char* const table[] = {"无",    "10分钟", "30分钟", "1小时", "2小时",
                                      "4小时", "12小时", "一天",   "一周"};
  if (code < 0 || code > 8) return "";
  return table[code];
}

}  // namespace velmora
