// Shared helpers of the app tests: a Qt application for the process, a
// private APPDATA per test, and waiting on the event loop for a condition.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <string>

#include "private_discovery_port.h"
#include "wait_until.h"

namespace velmora::test {

using ks_test::free_udp_port;

inline QCoreApplication& qt_app() {
  ks_test::use_private_discovery_port();
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

// Runs the event loop until `done` holds or `timeout_ms` has passed.
inline bool wait_until(const std::function<bool()>& done, int timeout_ms = 20000) {
  qt_app();
  return ks_test::wait_until(done, timeout_ms, [] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  });
}

// Keeps the event loop running for a while.
inline void pump_for(int ms) {
  wait_until([] { return false; }, ms);
}

inline std::string read_all(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

inline void write_all(const std::string& path, const std::string& bytes) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

// Makes `variable` (LANG, LC_MESSAGES, LC_ALL) the only one that names the
// language of a program started with `env`.
inline void set_language(QProcessEnvironment& env, const QString& variable, const QString& value) {
  for (const char* v : {"LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES"}) env.remove(v);
  env.insert(variable, value);
}

// One run of a program: exit code (-1 when it crashed or hung) and output.
struct ProgramResult {
  int code = -1;
  QString out, err;
};

inline ProgramResult run_program(const QString& program, const QProcessEnvironment& env,
                                 const QStringList& args, int timeout_ms = 60000) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  ProgramResult r;
  if (!p.waitForFinished(timeout_ms)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

}  // namespace velmora::test
