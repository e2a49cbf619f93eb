// The library's two kinds of output line: formatted lines with time, module
// and level (sdk_log), and plain fixed texts often followed by a number.
#pragma once

#include <cstdarg>
#include <string>

namespace kestrune {

enum LogLevel {
  LOG_UNKNOWN = 0, LOG_DEFAULT, LOG_VERBOSE, LOG_TRACE, LOG_DEBUG,
  LOG_INFO, LOG_WARN, LOG_ERROR, LOG_FATAL, LOG_SILENT
};

const char* log_level_name(int level);

void log_init();  // the log lock; called by Camera_SDK_Initialize
void sdk_log(const char* module, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Plain lines: no time, no level, no lock against formatted lines.
void plain_line(const char* text);
void plain_line(const char* text, long long number);  // text then the number, no separator

// Test hook: when set, every finished line (without its line feed) goes here
// instead of standard output. Not part of the exported API.
using LogSink = void (*)(const std::string& line);
void set_log_sink(LogSink sink);

}  // namespace kestrune
