#pragma once
// Shared helpers of the filter tests: temporary folders and synthetic
// pictures that look like H.264 access units.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zrv_writer.h"

class TempDir {
public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pellaquin-test-XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// count pictures, every key_interval-th a key one (sequence parameter set,
// picture parameter set, IDR slice), the others one slice; size bytes each.
inline std::vector<zrvgen::Picture> SyntheticPictures(int count, int key_interval, size_t size = 600) {
  std::vector<zrvgen::Picture> out;
  for (int i = 0; i < count; ++i) {
    zrvgen::Picture p;
    p.key = i % key_interval == 0;
    if (p.key) {
      p.data = {0, 0, 0, 1, 0x67, 0x42, 0, 0x1E, 0, 0, 0, 1, 0x68, 0xCE, 0, 0, 1, 0x65};
    } else {
      p.data = {0, 0, 0, 1, 0x41};
    }
    p.data.resize(size, static_cast<uint8_t>(0x10 + i % 200));
    out.push_back(std::move(p));
  }
  return out;
}

// Runs fn on a thread of its own and returns how many milliseconds it took.
// A call that has not returned after limit cannot be stopped: the test
// program then ends with a failure instead of hanging.
template <typename F>
double MillisecondsToFinish(const char* what, F fn, std::chrono::seconds limit = std::chrono::seconds(10)) {
  struct State {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  auto state = std::make_shared<State>();
  const auto start = std::chrono::steady_clock::now();
  std::thread worker([state, &fn] {
    fn();
    std::lock_guard<std::mutex> l(state->m);
    state->done = true;
    state->cv.notify_all();
  });
  std::unique_lock<std::mutex> l(state->m);
  if (!state->cv.wait_for(l, limit, [&] { return state->done; })) {
    std::fprintf(stderr, "FAILED: %s did not finish within %lld s\n", what,
                 static_cast<long long>(limit.count()));
    std::fflush(stderr);
    std::_Exit(1);
  }
  l.unlock();
  worker.join();
  std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  return took.count();
}
