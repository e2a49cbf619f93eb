// Video server simulator: the server's side of the VIFs control protocol
// (login, heartbeat, camera list, relay tickets, group users, notices) and a
// relay endpoint that admits stamped camera connections and forwards their
// bytes to a configured camera endpoint. A real TCP server for tests and demos.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nvssim {

// One camera an account can reach through the relay.
struct Camera {
  uint32_t nvt_id = 0;
  uint32_t relay_value = 0;  // the word at bytes 98..101 of the camera entry
  std::string name;          // written into the entry at byte 4 (at most 43 bytes)
  std::string endpoint_address = "127.0.0.1";  // where admitted bytes go
  uint16_t endpoint_port = 9996;
};

struct Account {
  std::string user;      // at most 27 bytes on the wire
  std::string password;
  std::string group;     // the main camera's serial, at most 31 bytes
  uint32_t user_id = 1;
  std::vector<Camera> cameras;
};

// A group user as our server stores it (108 bytes on the wire; the client
// library never reads the fields).
struct GroupUser {
  std::string user_name;   // at most 23 bytes
  std::string password;    // at most 31 bytes
  std::string group_name;  // at most 31 bytes
  uint32_t rights = 0;
};

struct Config {
  std::string address = "127.0.0.1";
  uint16_t port = 0;        // the control port; the program uses 1701
  uint16_t relay_port = 0;  // relay endpoint on the same address; 0 = ephemeral
  std::vector<Account> accounts;
  std::vector<GroupUser> group_users;
  bool verbose = false;  // log connections and requests on stdout
};

struct Counters {
  int protocol_errors = 0;      // malformed or unexpected messages received
  int control_connections = 0;  // accepted control connections
  int logins_accepted = 0;
  int logins_refused = 0;
  int alive_received = 0;
  int list_requests = 0;
  int relay_key_requests = 0;
  int logout_notices = 0;
  int relay_admissions = 0;
  int relay_refusals = 0;
  int group_requests = 0;
  uint64_t relay_bytes_to_camera = 0;
  uint64_t relay_bytes_from_camera = 0;
};

class Server {
public:
  explicit Server(Config config);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds both listeners and starts the server thread; false on failure.
  bool start();
  void stop();

  uint16_t port() const;
  uint16_t relay_port() const;

  // --- switches (take effect for the next message handled) ---
  // step 1 or 2: refuse that login step with `result`; step 0: accept.
  void refuse_login(int step, int32_t result);
  void answer_heartbeats(bool on);
  // Answer every request with this id by VIFS_COMMON_ERROR carrying `code`;
  // request_id 0 switches it off.
  void answer_with_common_error(uint16_t request_id, int32_t code);

  // --- notices to every logged-in control connection ---
  // wrong_session: carry a session id other than the connection's.
  void send_seize_notice(bool wrong_session = false);
  void send_flow_control(const std::vector<uint8_t>& body);
  void send_notice_14(const std::vector<uint8_t>& body);
  void send_nvt_list_update();
  // Raw bytes to every control connection, logged in or not.
  void send_raw(const std::vector<uint8_t>& bytes);
  // Closes every control connection from the server's side.
  void drop_control_connections();

  // --- observation ---
  Counters counters() const;
  std::vector<GroupUser> group_users(const std::string& group) const;
  // Every whole message received on control connections, in order.
  std::vector<std::vector<uint8_t>> received_messages() const;
  // Waits until pred(counters()) holds or the timeout passes.
  bool wait_for(const std::function<bool(const Counters&)>& pred, int timeout_ms) const;

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};

// The login digests the server expects, computed independently of the
// client library.
void expected_digest(const std::string& user, const std::string& password, uint32_t challenge,
                     unsigned char out[16]);

}  // namespace nvssim
