// Internals of the simulated video server: connections, tickets and the
// state shared by the server thread and the test's calls (one mutex).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "nvssim.h"
#include "wire.h"

namespace nvssim {

enum class Kind { Control, RelayClient, RelayCamera };

struct Connection {
  int fd = -1;
  Kind kind = Kind::Control;
  std::vector<uint8_t> in;
  std::vector<uint8_t> out;
  bool close_after_flush = false;
  bool dead = false;

  // Control session.
  int stage = 0;  // 0 waiting for login 1, 1 challenge sent, 2 logged in
  const Account* account = nullptr;
  uint32_t challenge = 0;
  uint32_t session = wire::kNoSession;

  // Relay pair: the other side's fd (-1 none); admitted clients forward.
  int peer = -1;
  bool admitted = false;
};

struct Ticket {
  const Account* account = nullptr;
  const Camera* camera = nullptr;
};

struct Server::Impl {
  explicit Impl(Config c) : config(std::move(c)) {}

  // server.cpp
  bool start();
  void stop();
  void run();
  void accept_on(int listener, Kind kind);
  void read_from(Connection& c);
  void write_to(Connection& c);
  void close_connection(Connection& c);
  void wake();
  void error(const char* what, long long value = 0);
  void log(const std::string& line);

  // control.cpp
  void handle_control(Connection& c);
  void control_message(Connection& c, const wire::Header& h, const uint8_t* body);
  void login_1(Connection& c, const wire::Header& h, const uint8_t* body);
  void login_2(Connection& c, const wire::Header& h, const uint8_t* body);
  void relay_key(Connection& c, const wire::Header& h, const uint8_t* body);
  void group_request(Connection& c, const wire::Header& h, const uint8_t* body);
  std::vector<uint8_t> camera_list(const Account& a, uint16_t id, uint32_t txn, uint32_t session,
                                   uint16_t pairing);
  void reply(Connection& c, uint16_t id, const wire::Header& request,
             const std::vector<uint8_t>& body);

  // relay.cpp
  void handle_relay_client(Connection& c);
  void forward(Connection& from);

  Config config;
  mutable std::mutex lock;
  mutable std::condition_variable changed;
  std::map<int, std::unique_ptr<Connection>> connections;
  std::map<std::array<uint8_t, 48>, Ticket> tickets;
  std::vector<std::vector<uint8_t>> received;
  Counters counters;
  std::mt19937 rng{std::random_device{}()};
  uint32_t next_session = 0x1000;

  int refuse_step = 0;
  int32_t refuse_result = 0;
  bool answer_alive = true;
  uint16_t error_for = 0;
  int32_t error_code = 0;

  int control_listener = -1;
  int relay_listener = -1;
  uint16_t control_port = 0;
  uint16_t relay_port_ = 0;
  int wake_pipe[2] = {-1, -1};
  std::atomic<bool> stopping{false};
  std::thread thread;
};

}  // namespace nvssim
