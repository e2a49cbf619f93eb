#include "console.h"

#include <QCoreApplication>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include "terminal.h"

namespace velmora {

namespace {
std::FILE* g_out = nullptr;
bool g_live = false;
int g_library_fd = -1;
}  // namespace

void Console::capture(bool library_lines_to_stderr) {
  if (g_out) return;
  std::fflush(stdout);
  int keep = ::dup(STDOUT_FILENO);
  if (keep >= 0) {
    ::fcntl(keep, F_SETFD, FD_CLOEXEC);
    g_out = ::fdopen(keep, "w");
  }
  if (!g_out) {
    g_out = stdout;
    g_live = probe_terminal(STDOUT_FILENO).live();
    return;
  }
  g_live = probe_terminal(keep).live();
  std::setvbuf(g_out, nullptr, _IOLBF, 0);
  int pipe_fds[2];
  if (library_lines_to_stderr && g_live &&
      ::pipe2(pipe_fds, O_CLOEXEC) == 0) {
    ::fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
    ::dup2(pipe_fds[1], STDOUT_FILENO);
    ::close(pipe_fds[1]);
    g_library_fd = pipe_fds[0];
    // The library's lines must reach the pipe line by line, not when a
    // block buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
  } else if (library_lines_to_stderr) {
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
  } else {
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      ::close(null);
    }
  }
}

std::FILE* Console::out() { return g_out ? g_out : stdout; }

bool Console::interactive() { return g_out ? g_live : probe_terminal(STDOUT_FILENO).live(); }

int Console::library_lines_fd() { return g_library_fd; }

void Console::library_lines_direct() {
  if (g_library_fd >= 0) ::dup2(STDERR_FILENO, STDOUT_FILENO);
}

std::string now_text() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

std::string human_bytes(unsigned long long bytes) {
  char buf[32];
  if (bytes >= 1024ull * 1024) {
    std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  } else if (bytes >= 10ull * 1024) {
    std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024.0);
  } else {
    return QCoreApplication::translate("Console", "%1 bytes").arg(bytes).toStdString();
  }
  return buf;
}

std::string field_line(const QString& label, const std::string& value, int columns) {
  std::string line = label.toStdString();
  line.append(static_cast<std::size_t>(std::max(1, columns - display_width(line))), ' ');
  return line + value + "\n";
}

}  // namespace velmora
