// State shared by the listener and every connection of one simulated camera:
// the memory card, the runtime switches, the statistics and the sessions.
#pragma once

#include "camsim.h"

#include <atomic>
#include <cstdarg>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace camsim {

class Session;

struct CameraSimulator::Impl {
  explicit Impl(Config c);

  // Fixed once started.
  Config config;
  uint8_t password_block[16] = {};

  std::atomic<bool> answer_heartbeats{true};
  std::atomic<bool> answer_login{true};

  // The card and the switches that may change at run time.
  mutable std::mutex card_mu;
  std::vector<Recording> card;
  std::set<std::string> refuse;
  uint64_t drop_after = 0;
  bool refuse_deletes = false;
  bool answer_deletes = true;
  Faults faults;
  uint16_t video_words[6] = {2, 25, 2048, 352, 288, 4};
  uint32_t next_recording_number = 1;
  std::map<int, std::string> settings_pages;  // replaced pages by read sub-type

  mutable std::mutex stats_mu;
  Stats stats;

  std::mutex sessions_mu;
  std::list<std::unique_ptr<Session>> sessions;
  bool running = false;  // guarded by sessions_mu

  int listen_fd = -1;
  std::atomic<uint16_t> bound_port{0};
  std::atomic<bool> stopping{false};
  std::thread accept_thread;
  std::unique_ptr<Announcer> announcer;  // while started, when configured

  void update_stats(const std::function<void(Stats&)>& f) {
    std::lock_guard<std::mutex> lock(stats_mu);
    f(stats);
  }
  void protocol_error(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  void note(const char* fmt, ...) __attribute__((format(printf, 2, 3)));  // when verbose

  bool find_recording(const std::string& name, Recording* out) const;
  int start_session(int fd, bool logged_in);
  void reap_finished();
  void accept_loop();
};

}  // namespace camsim
