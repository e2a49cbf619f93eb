#include "device/nvd_client.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "device/device_messages.h"
#include "net/log.h"
#include "net/reactor.h"
#include "net/reactor_thread_check.h"
#include "server/relay_messages.h"

namespace kestrune {

NVDClient::NVDClient() = default;
NVDClient::~NVDClient() = default;

SocketReactor* NVDClient::reactor() {
  SocketReactor* r = get_reactor();
  return r != nullptr ? r : SocketReactor::instance();
}

int NVDClient::connect_local(const char* ip, const unsigned char password[16]) {
  return connect_local_port(ip, kCameraPort, password);
}

int NVDClient::connect_local_port(const char* ip, std::uint16_t port,
                                  const unsigned char password[16]) {
  const std::uint32_t address = inet_address(ip);
  if (status_.load() != STATUS_IDLE) return 0;
  if (password != nullptr) std::memcpy(password_, password, sizeof password_);
  else std::memset(password_, 0, sizeof password_);
  return start_connect(address, port, 0);
}

int NVDClient::connect_remote(const char* ip, std::uint16_t port) {
  const int s = status_.load();
  if (s != STATUS_IDLE) {
    sdk_log("NVDClient", LOG_ERROR, "Connect NVS Stats Error. current is %d.", s);
    return -1;
  }
  const std::uint32_t address = inet_address(ip);
  sdk_log("NVDClient", LOG_DEBUG, "Connect NVS ip is %u", address);
  return start_connect(address, port, 1);
}

void NVDClient::set_relay_key(const unsigned char key[48]) {
  std::lock_guard<std::mutex> g(relay_lock_);
  if (key != nullptr) std::memcpy(relay_key_, key, sizeof relay_key_);
}

void NVDClient::set_relay_user(std::uint32_t user_id, const std::string& user_name) {
  std::lock_guard<std::mutex> g(relay_lock_);
  relay_user_id_ = user_id;
  relay_user_name_ = user_name;
}

int NVDClient::start_connect(std::uint32_t address, std::uint16_t port, int mode) {
  login_fill_ = 0;
  heartbeat_answered_.store(1);
  mode_.store(mode);
  // Status and the connection's reference are taken before the connect: the
  // reactor may report a failure (and close) before connect() returns.
  status_.store(STATUS_CONNECTING);
  add_reference();
  const int r = connect(address, port);
  if (r != 0) {
    status_.store(STATUS_IDLE);
    remove_reference();
  }
  return r;
}

int NVDClient::on_connect_result(int error) {
  if (error != 0) {
    sdk_log("NVDClient", LOG_DEBUG, "NVD CONNECT FIALED.%d", error);
    connect_result(error);
    return 0;
  }
  if (mode_.load() == 1) {
    sdk_log("NVDClient", LOG_DEBUG, "Send Stamp Request.");
    static std::atomic<std::uint32_t> transaction{0};
    unsigned char stamp[vifs::kStampRequestSize];
    int n;
    {
      std::lock_guard<std::mutex> g(relay_lock_);
      n = vifs::build_stamp_request(stamp, relay_user_id_, relay_user_name_.c_str(), relay_key_, ++transaction);
    }
    if (send(stamp, n) <= 0) plain_line("[CameraDriverModule]: Send Error:", vifs::VIFS_STAMP_REQUEST);
  } else {
    send_login(0);
  }
  status_.store(STATUS_CONNECTING);
  enable_keepalive();
  return 0;
}

void NVDClient::send_login(int challenge) {
  const LoginMessage msg = make_login(challenge, password_, static_cast<std::uint32_t>(std::rand()),
                                      static_cast<std::uint32_t>(std::rand()));
  if (send(&msg, sizeof msg) <= 0) plain_line("[CameraDriverModule]: Send Error:", MSG_LOGIN);
}

void NVDClient::connect_result(int result) {
  if (auto* h = handler()) h->OnConnectResult(result);
  if (result < 0) {
    disconnect();
    return;
  }
  // The callback may already have closed the session; a heartbeat scheduled
  // now would keep the object alive with no close left to cancel it. A
  // positive result (a relay that did not admit us) leaves the connection
  // open in status 0 with its heartbeat, as the peer expects.
  if (state() != STATE_CONNECTED) return;
  if (result == 0 && status_.load() != STATUS_LOGGED_IN) return;
  const int id = reactor()->schedule_timer(this, &heartbeat_timer_, TimeValue(2, 0),
                                                           TimeValue(10, 0));
  if (id > 0) heartbeat_timer_.store(id);
}

int NVDClient::handle_input() {
  KS_ASSERT_REACTOR_THREAD(*this);
  KeepAlive keep(this);
  char chunk[kReceiveChunk];
  // Before the login completes, no more than the login buffer can still take.
  const int room = status_.load() == STATUS_LOGGED_IN ? kReceiveChunk : kLoginCapacity - login_fill_;
  const int n = receive(chunk, std::max(1, std::min<int>(kReceiveChunk, room)));
  if (n == 0) {
    sdk_log("NVDClient", LOG_DEBUG, "remote server shut down connection.");
    return -1;
  }
  if (n < 0) {
    if (n == kNotConnected) return 0;
    const int err = last_socket_error();
    if (error_would_block(err)) return 0;
    sdk_log("NVDClient", LOG_DEBUG, "Socket Receive Error. %d", err);
    return -1;
  }
  if (status_.load() == STATUS_LOGGED_IN) {
    return ProcessDeviceData(chunk, n) == kFramingError ? -1 : 0;
  }
  sdk_log("NVDClient", LOG_DEBUG, "Process VIFs Message,nSize is %d,Buffer Size is %d.", n,
          login_fill_);
  return mode_.load() == 1 ? handle_relay_bytes(chunk, n) : handle_login_bytes(chunk, n);
}

int NVDClient::handle_login_bytes(const char* data, int n) {
  if (login_fill_ + n > kLoginCapacity) return -1;
  std::memcpy(login_buffer_ + login_fill_, data, static_cast<std::size_t>(n));
  login_fill_ += n;
  int cursor = 0;
  while (login_fill_ - cursor >= 6) {
    std::uint32_t length;
    std::memcpy(&length, login_buffer_ + cursor, sizeof length);
    if (length < 6 || length > static_cast<std::uint32_t>(kLoginCapacity)) {
      plain_line("[CameraDriverModule]: Bad Message Length:", static_cast<long long>(length));
      login_fill_ = 0;
      return -1;
    }
    if (static_cast<std::uint32_t>(login_fill_ - cursor) < length) break;
    const char* message = login_buffer_ + cursor;
    cursor += static_cast<int>(length);
    if (static_cast<unsigned char>(message[4]) != MSG_LOGIN || status_.load() != STATUS_CONNECTING)
      continue;
    if (handle_login_reply(message, length)) return 0;
    if (status_.load() == STATUS_LOGGED_IN) return forward_rest(login_buffer_ + cursor, login_fill_ - cursor);
  }
  login_fill_ -= cursor;
  if (cursor > 0) std::memmove(login_buffer_, login_buffer_ + cursor, static_cast<std::size_t>(login_fill_));
  return 0;
}

int NVDClient::forward_rest(const char* data, int n) {
  // Whatever the camera sent behind the answer belongs to the device
  // stream; hand it over once and forget it here.
  login_fill_ = 0;
  if (n > 0 && ProcessDeviceData(data, n) == kFramingError) return -1;
  return 0;
}

int NVDClient::handle_relay_bytes(const char* data, int n) {
  if (login_fill_ + n > kLoginCapacity) return -1;
  std::memcpy(login_buffer_ + login_fill_, data, static_cast<std::size_t>(n));
  login_fill_ += n;
  if (status_.load() != STATUS_CONNECTING) return 0;
  std::int32_t result = 0, session = 0;
  const int taken = vifs::take_stamp_answer(reinterpret_cast<unsigned char*>(login_buffer_), &login_fill_,
                                            &result, &session);
  if (taken < 0) return -1;
  if (taken == 0) return 0;
  sdk_log("NVDClient", LOG_DEBUG, "Connect NVT response %d.", result);
  if (result != 0) {
    status_.store(STATUS_IDLE);
    login_fill_ = 0;
    connect_result(result);
    return 0;
  }
  session_id_.store(session);
  status_.store(STATUS_LOGGED_IN);
  connect_result(0);
  if (state() != STATE_CONNECTED) return 0;
  return forward_rest(login_buffer_, login_fill_);
}

bool NVDClient::handle_login_reply(const char* message, std::uint32_t length) {
  if (length < offsetof(LoginMessage, zero54)) return false;  // too short to carry a status
  LoginMessage reply;
  std::memset(&reply, 0, sizeof reply);
  std::memcpy(&reply, message, std::min<std::size_t>(length, sizeof reply));
  if (reply.status == 0) {
    status_.store(STATUS_LOGGED_IN);
    connect_result(0);
    return state() != STATE_CONNECTED;
  }
  if (reply.status != kLoginChallengeStatus) return false;
  if (challenge_.load() == -1) {
    challenge_.store(static_cast<int>(reply.challenge));
    send_login(challenge_.load());
    return false;
  }
  connect_result(kPasswordRefused);
  status_.store(STATUS_IDLE);
  challenge_.store(-1);
  return true;
}

void NVDClient::heartbeat_received() { heartbeat_answered_.store(1); }

int NVDClient::handle_timeout(const TimeValue& now, void* arg) {
  (void)now;
  KS_ASSERT_REACTOR_THREAD(*this);
  KeepAlive keep(this);
  if (arg == &heartbeat_timer_) heartbeat_tick();
  else on_timer(arg);
  return 0;
}

void NVDClient::heartbeat_tick() {
  plain_line("[NVDClient]:Send Heart Beat.");
  if (heartbeat_answered_.exchange(0) == 1) {
    const DeviceMsgHeader beat = make_header(MSG_HEART_BEAT);
    if (send(&beat, sizeof beat) <= 0) plain_line("[CameraDriverModule]: Send Error:", MSG_HEART_BEAT);
  } else {
    plain_line("[CameraDriverModule]:Lose Heart Beat..");
  }
}

void NVDClient::cancel_heartbeat() {
  const int id = heartbeat_timer_.exchange(0);
  if (id != 0) reactor()->cancel_timer(id, nullptr, 1);
}

int NVDClient::handle_close(socket_t socket, int mask) {
  if (mask == MASK_TIMER) {
    plain_line("[NVDClient]: timer close ");
    return 0;
  }
  cancel_heartbeat();
  status_.store(STATUS_IDLE);
  challenge_.store(-1);
  login_fill_ = 0;
  return TCPConnection::handle_close(socket, mask);  // may delete this
}

int NVDClient::on_connection_closed(int error) {
  plain_line("[CameraDriverModule] : Connection Close ", error);
  auto* h = handler();
  if (!close_requested()) {
    if (h) h->OnConnectionClose(error);
  } else if (heartbeat_answered_.load() == 0) {
    if (h) h->OnConnectionClose(kHeartbeatLost);
  }
  on_session_closed();
  status_.store(STATUS_IDLE);
  sdk_log("NVDClient", LOG_DEBUG, "On Connection Close %d.", error);
  challenge_.store(-1);
  return 0;
}

}  // namespace kestrune
