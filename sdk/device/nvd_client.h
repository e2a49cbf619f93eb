// One camera session on a TCP connection: the direct login with its
// challenge digest, the heartbeat, the session status and the close
// handling. The device requests and replies live in CameraDriverModule.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "net/handler_keep_alive.h"
#include "net/tcp_connection.h"
#include "nvd_message_handler.h"

namespace kestrune {

class NVDClient : public TCPConnection {
public:
  enum Status { STATUS_IDLE = 0, STATUS_CONNECTING = 1, STATUS_LOGGED_IN = 2 };
  static constexpr std::uint16_t kCameraPort = 9996;
  static constexpr int kLoginCapacity = 128000;
  // The result reported when the camera refuses the password.
  static constexpr int kPasswordRefused = -8;
  // Reason added at a local close when the last heartbeat went unanswered.
  static constexpr int kHeartbeatLost = -202;

  NVDClient();
  ~NVDClient() override;

  // Starts the direct connection and login. 0 = connecting (or already busy).
  int connect_local(const char* ip, const unsigned char password[16]);
  // As connect_local, to an explicit port (the camera port is fixed at 9996;
  // tests use this to reach a simulator on another port).
  int connect_local_port(const char* ip, std::uint16_t port, const unsigned char password[16]);
  // Starts a connection through the video server's relay; the relay fields
  // must be set first. 0 = connecting, -1 = busy or failed.
  int connect_remote(const char* ip, std::uint16_t port);
  void set_relay_key(const unsigned char key[48]);
  void set_relay_user(std::uint32_t user_id, const std::string& user_name);
  int session_id() const { return session_id_.load(); }
  int status() const { return status_.load(); }
  int mode() const { return mode_.load(); }

  void set_handler(NVS_SDK_V160::INVDMessageHandler* handler) { handler_.store(handler); }
  NVS_SDK_V160::INVDMessageHandler* handler() const { return handler_.load(); }

  int handle_input() override;
  int handle_close(socket_t socket, int mask) override;
  int handle_timeout(const TimeValue& now, void* arg) override;
  int on_connect_result(int error) override;
  int on_connection_closed(int error) override;

protected:
  // Bytes of a logged-in session (the device receive loop).
  virtual int ProcessDeviceData(const char* data, int n) = 0;
  // The connection has closed: drop per-connection stream state.
  virtual void on_session_closed() {}
  // Timers of the subclass.
  virtual void on_timer(void* arg) { (void)arg; }
  // A heartbeat answer arrived.
  void heartbeat_received();

  // Keeps the object alive while one of its hooks runs.
  using KeepAlive = HandlerKeepAlive;

  static constexpr int kFramingError = -2;

  // The reactor this connection and its timers belong to.
  SocketReactor* reactor();

private:
  int start_connect(std::uint32_t address, std::uint16_t port, int mode);
  int handle_login_bytes(const char* data, int n);
  int handle_relay_bytes(const char* data, int n);
  // The device bytes that arrived behind the login or admission answer.
  int forward_rest(const char* data, int n);
  // true when the connection was closed while handling it.
  bool handle_login_reply(const char* message, std::uint32_t length);
  void connect_result(int result);
  void send_login(int challenge);
  void heartbeat_tick();
  void cancel_heartbeat();

  // Who writes what. "Caller" is the application's thread that starts a
  // connection; "reactor" is the library's reactor thread, which runs every
  // handle_* / on_* entry point (asserted there).
  //
  // Written by the caller when a connection starts and by the reactor as the
  // session moves on; read anywhere: atomics.
  std::atomic<int> status_{STATUS_IDLE};
  std::atomic<int> mode_{0};
  std::atomic<int> challenge_{-1};
  std::atomic<int> heartbeat_answered_{1};
  std::atomic<int> heartbeat_timer_{0};
  std::atomic<int> session_id_{-1};
  // Written by the caller before the connect is started (the reactor sees
  // the socket only afterwards), then read by the reactor for the login.
  unsigned char password_[16] = {};
  // Relay identity: set by the caller, read on the reactor thread when the
  // relay answers the connect.
  std::mutex relay_lock_;
  unsigned char relay_key_[48] = {};
  std::uint32_t relay_user_id_ = 0;
  std::string relay_user_name_;
  // Set by any thread, read by the reactor for every callback.
  std::atomic<NVS_SDK_V160::INVDMessageHandler*> handler_{nullptr};
  // Login reassembly: reactor only (reset by the caller before the connect
  // is started).
  int login_fill_ = 0;
  char login_buffer_[kLoginCapacity];
};

}  // namespace kestrune
