// Collects the library's log lines while a test runs (white-box tests: the
// sink is an internal of the library).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "net/log.h"

namespace ks_test {

class LogCapture {
public:
  LogCapture() {
    clear();
    kestrune::set_log_sink(&LogCapture::sink);
  }
  ~LogCapture() { kestrune::set_log_sink(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  static std::vector<std::string> lines() {
    std::lock_guard<std::mutex> g(mutex());
    return store();
  }
  static void clear() {
    std::lock_guard<std::mutex> g(mutex());
    store().clear();
  }
  // Lines equal to `text`.
  static int count(const std::string& text) {
    int n = 0;
    for (const auto& l : lines()) n += l == text;
    return n;
  }
  static int count_containing(const std::string& text) {
    int n = 0;
    for (const auto& l : lines()) n += l.find(text) != std::string::npos;
    return n;
  }
  static bool contains(const std::string& text) { return count_containing(text) > 0; }

private:
  static void sink(const std::string& line) {
    std::lock_guard<std::mutex> g(mutex());
    store().push_back(line);
  }
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& store() {
    static std::vector<std::string> s;
    return s;
  }
};

}  // namespace ks_test
