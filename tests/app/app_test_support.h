// Shared helpers of the app tests: a Qt application for the process, a
// private APPDATA per test, and waiting on the event loop for a condition.
#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <functional>
#include <string>

#include "wait_until.h"

namespace velmora::test {

inline QCoreApplication& qt_app() {
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

}  // namespace velmora::test
