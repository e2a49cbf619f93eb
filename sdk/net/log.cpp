#include "net/log.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "net/platform.h"

namespace kestrune {
namespace {

const char* const kLevelNames[] = {"UNKNOWN", "DEFAULT", "VERBOSE", "TRACE", "DEBUG",
                                   "INFO",    "WARN",    "ERROR",   "FATAL", "SILENT"};

// Never destroyed: the reactor thread may still log while statics go away.
Lock& log_lock() {
  static Lock* lock = new Lock;
  return *lock;
}

std::atomic<LogSink> g_sink{nullptr};

void emit(const std::string& line) {
  if (LogSink sink = g_sink.load()) {
    sink(line);
    return;
  }
  // One write per line keeps lines whole when threads log at once.
  std::string out = line;
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

const char* log_level_name(int level) {
  if (level < 0 || level > LOG_SILENT) return "UNKNOWN";
  return kLevelNames[level];
}

void log_init() { (void)log_lock(); }

void sdk_log(const char* module, int level, const char* format, ...) {
  char message[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);

  Guard guard(log_lock());
  if (level < LOG_DEBUG) return;
  char stamp[100];
  std::time_t t = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&t, &local);
  std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);

  std::string line;
  line.reserve(64 + sizeof(message));
  line += '[';
  line += stamp;
  line += "][";
  line += module ? module : "";
  line += "][";
  line += log_level_name(level);
  line += ']';
  line += message;
  emit(line);
}

void plain_line(const char* text) { emit(text ? text : ""); }

void plain_line(const char* text, long long number) {
  std::string line = text ? text : "";
  line += std::to_string(number);
  emit(line);
}

void set_log_sink(LogSink sink) { g_sink.store(sink); }

}  // namespace kestrune
