#include "server/nvd_vifs_client.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "net/log.h"
#include "net/reactor.h"
#include "server/login_digest.h"

namespace kestrune {

namespace {

constexpr const char* kModule = "NVDVIFsClient";

std::int32_t read_i32(const unsigned char* p) {
  std::int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t read_u32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Keeps the client alive across a pass: a hook may close the connection,
// and the close may drop what was the last reference.
class HoldReference {
public:
  explicit HoldReference(Socket_Event_Handler* h) : h_(h) { h_->add_reference(); }
  ~HoldReference() { h_->remove_reference(); }
  HoldReference(const HoldReference&) = delete;
  HoldReference& operator=(const HoldReference&) = delete;

private:
  Socket_Event_Handler* h_;
};

}  // namespace

using vifs::Header;
using Message = vifs::PendingRequests::Message;

NVDVIFsClient::NVDVIFsClient() = default;
NVDVIFsClient::~NVDVIFsClient() = default;

void NVDVIFsClient::set_heartbeat_timing(const TimeValue& first, const TimeValue& every) {
  heartbeat_first_ms_.store(first.msec());
  heartbeat_every_ms_.store(every.msec());
}

bool NVDVIFsClient::logged_in_and_connected() const {
  return state() == STATE_CONNECTED && session_state_.load() == SESSION_LOGGED_IN;
}

int NVDVIFsClient::send_plain(const unsigned char* message, int length) {
  return send(message, length);
}

int NVDVIFsClient::send_remembered(unsigned char* message, int length) {
  // Stored before sending: the reply may come back before send returns.
  std::uint32_t txn = pending_.remember(message, length);
  int sent = send(message, length);
  if (sent != length) pending_.forget(txn);
  return sent;
}

// ---------------------------------------------------------------- requests

int NVDVIFsClient::login(const char* user, const char* password, const char* group) {
  int expected = SESSION_NONE;
  if (state() != STATE_CONNECTED ||
      !session_state_.compare_exchange_strong(expected, SESSION_LOGGING_IN)) {
    sdk_log(kModule, LOG_ERROR, "Login Error VIFsClient Status Error.");
    return kNotConnected;
  }
  user_.user_name = user ? user : "";
  user_.password = password ? password : "";
  user_.group_name = group ? group : "";
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::LoginRequest1)];
  int length = vifs::build_login_request_1(message, user_.group_name.c_str(),
                                           user_.user_name.c_str(),
                                           vifs::next_transaction_id());
  // The state went to 1 first so that an early answer is not dropped.
  int sent = send_plain(message, length);
  if (sent != length) {
    session_state_.store(SESSION_NONE);
    return sent == kNotConnected ? kNotConnected : -1;
  }
  sdk_log(kModule, LOG_DEBUG, "Send Login Request 1. user is %s.", user_.user_name.c_str());
  return 0;
}

int NVDVIFsClient::logout() {
  if (!logged_in_and_connected()) return -1;
  // Sent straight on the socket while the connection closes (see
  // handle_close): a queued notice would be thrown away with the send queue.
  vifs::build_logout_notice(logout_notice_, vifs::next_transaction_id(),
                            static_cast<std::uint32_t>(session_id_.load()));
  logout_pending_.store(true);
  session_state_.store(SESSION_NONE);
  disconnect();
  return 0;
}

int NVDVIFsClient::send_nvt_list_request() {
  if (!logged_in_and_connected()) return -1;
  unsigned char message[vifs::kHeaderSize];
  vifs::build_nvt_list_request(message, vifs::next_transaction_id(),
                               static_cast<std::uint32_t>(session_id_.load()));
  send_plain(message, sizeof message);
  return 0;
}

int NVDVIFsClient::request_relay_key(const NVS_SDK_V160::CAMERA_INFO& camera) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::RelayKeyRequest)];
  int length = vifs::build_relay_key_request(
      message, reinterpret_cast<const unsigned char*>(&camera), 0,
      static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::get_all_users() {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::GetAllUserRequest)];
  int length = vifs::build_get_all_user_request(message, user_.group_name.c_str(), 0,
                                                static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::add_user(const NVS_SDK_V160::UserInfo& user) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + vifs::kUserInfoSize];
  int length = vifs::build_add_user_request(message, reinterpret_cast<const unsigned char*>(&user),
                                            0, static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::del_user(const char* user, const char* group) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + sizeof(vifs::DelUserRequest)];
  int length = vifs::build_del_user_request(message, user, group, 0,
                                            static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::update_user(const NVS_SDK_V160::UserInfo& user) {
  if (!logged_in_and_connected()) return 0;
  unsigned char message[vifs::kHeaderSize + vifs::kUserInfoSize];
  int length = vifs::build_update_user_request(
      message, reinterpret_cast<const unsigned char*>(&user), 0,
      static_cast<std::uint32_t>(session_id_.load()));
  send_remembered(message, length);
  return 0;
}

int NVDVIFsClient::group_user_list(unsigned char* buffer, int size) const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  long long need = static_cast<long long>(group_users_.size()) * vifs::kUserInfoSize;
  if (size < need || (need > 0 && buffer == nullptr)) return -1;
  if (need > 0) std::memcpy(buffer, group_users_.data(), static_cast<std::size_t>(need));
  return 0;
}

int NVDVIFsClient::group_user_count() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return static_cast<int>(group_users_.size());
}

std::vector<NVS_SDK_V160::CAMERA_INFO> NVDVIFsClient::cameras() const {
  std::lock_guard<std::mutex> guard(lists_lock_);
  return cameras_;
}

// ---------------------------------------------------------------- receiving

int NVDVIFsClient::handle_input() {
  HoldReference hold(this);
  unsigned char chunk[kReceiveChunk];
  bool error = false;
  int got = 0;
  const int room = vifs::kMaxMessage - fill_;
  if (room <= 0) {
    // A message longer than the buffer can never complete.
    sdk_log(kModule, LOG_ERROR, "Buffer Over Flow.");
    error = true;
    got = 1;
  } else {
    // Read no more than fits, so a message that ends exactly at the buffer's
    // end is not refused because the next one's first bytes came with it.
    got = receive(chunk, std::min<int>(sizeof chunk, room));
  }
  if (got > 0 && !error) {
    sdk_log(kModule, LOG_DEBUG, "Receive VIFs Message. nSize is %d.", got);
    std::memcpy(receive_buffer_ + fill_, chunk, static_cast<std::size_t>(got));
    fill_ += got;
    sdk_log(kModule, LOG_DEBUG, "Process VIFs Message.");

    int offset = 0;
    while (fill_ - offset >= vifs::kHeaderSize) {
      int whole = 0;
      int cut = vifs::cut_message(receive_buffer_ + offset, fill_ - offset, &whole);
      if (cut < 0) {
        sdk_log(kModule, LOG_ERROR, "Error Parser Message Fialed.");
        error = true;
        break;
      }
      if (cut == 0) break;
      std::memcpy(current_, receive_buffer_ + offset, static_cast<std::size_t>(whole));
      current_length_ = whole;
      current_header_ = vifs::read_header(current_);
      dispatch();
      if (state() != STATE_CONNECTED) return 0;  // a hook closed the connection
      offset += whole;
      if (session_state_.load() == SESSION_NONE) break;
    }
    if (offset > 0) {
      std::memmove(receive_buffer_, receive_buffer_ + offset,
                   static_cast<std::size_t>(fill_ - offset));
      fill_ -= offset;
    }
  }

  if (got == 0) {
    sdk_log(kModule, LOG_DEBUG, "Remote Server Shut Down.");
    return -1;
  }
  if (got < 0) {
    int err = last_socket_error();
    sdk_log(kModule, LOG_DEBUG, "Socket Receive Error %d.", err);
    if (got == kNotConnected || !error_would_block(err)) return -1;
  }
  if (error) {
    sdk_log(kModule, LOG_ERROR, "Some thing other Error.");
    return -1;
  }
  return 0;
}

void NVDVIFsClient::dispatch() {
  const Header& h = current_header_;
  Message source;
  bool has_source = false;
  if (h.pairing == vifs::kPairingRequest) has_source = pending_.take(h.transaction_id, &source);
  sdk_log(kModule, LOG_DEBUG, "Process VIFs Message. Msg is %d.", h.message_id);

  const unsigned char* body = current_ + vifs::kHeaderSize;
  const std::uint32_t length = h.body_length;
  switch (h.message_id) {
    case vifs::VIFS_LOGIN_RESPONSE_1:
      on_login_response_1(body, length);
      break;
    case vifs::VIFS_LOGIN_RESPONSE_2:
      on_login_response_2(body, length);
      break;
    case vifs::VIFS_NVT_LIST_RESPONSE:
    case vifs::VIFS_NVT_LIST_UPDATE:
      on_nvt_list(body, length);
      break;
    case vifs::VIFS_RELAY_KEY_RESPONSE:
      if (session_state_.load() == SESSION_LOGGED_IN)
        on_relay_key_response(h, has_source ? &source : nullptr);
      break;
    case vifs::VIFS_ALIVE:
      answer_count_.fetch_add(1);
      sdk_log(kModule, LOG_VERBOSE, "Alive Message Response.");
      break;
    case vifs::VIFS_GET_ALL_USER_RESPONSE:
      on_get_all_users(body, length);
      break;
    case vifs::VIFS_ADD_USER_RESPONSE:
    case vifs::VIFS_DEL_USER_RESPONSE:
    case vifs::VIFS_UPDATE_USER_RESPONSE:
      on_group_answer(h.message_id, body, length);
      break;
    case vifs::VIFS_SEIZE_NOTIFY:
      if (static_cast<std::int32_t>(h.session_id) == session_id_.load()) {
        sdk_log(kModule, LOG_DEBUG, "Receive VIFS_SEIZE_NOTIFY Message.");
        on_seize_notify();
      } else {
        plain_line("[NVDVIFSClient]:VIFS_SEIZE_NOTIFY Message Error Session ID.");
      }
      break;
    case vifs::VIFS_FLOW_CONTROL_NOTIFY:
      on_flow_control(current_);
      sdk_log(kModule, LOG_DEBUG, "Flow Control Nofity.");
      break;
    case vifs::VIFS_NOTICE_14:
      on_notice_14(current_);
      break;
    case vifs::VIFS_COMMON_ERROR:
      on_common_error(body, length, has_source ? &source : nullptr);
      break;
    default:
      break;
  }
}

void NVDVIFsClient::on_login_response_1(const unsigned char* body, std::uint32_t length) {
  if (session_state_.load() != SESSION_LOGGING_IN) return;
  if (length < sizeof(vifs::LoginResponse1)) {
    sdk_log(kModule, LOG_ERROR, "Short VIFs Message. Msg is %d.", vifs::VIFS_LOGIN_RESPONSE_1);
    return;
  }
  std::int32_t result = read_i32(body);
  if (result != 0) {
    session_state_.store(SESSION_NONE);
    on_access_response(result);
    return;
  }
  challenge_.store(read_u32(body + 4));
  send_login_step_2();
}

void NVDVIFsClient::send_login_step_2() {
  unsigned char digest[16];
  vifs::login_digest(user_.user_name.c_str(), user_.password.c_str(), challenge_.load(), digest);
  unsigned char message[vifs::kHeaderSize + 16];
  int length = vifs::build_login_request_2(message, digest, vifs::next_transaction_id());
  send_plain(message, length);
  sdk_log(kModule, LOG_DEBUG, "Send Login Request 2");
}

void NVDVIFsClient::on_login_response_2(const unsigned char* body, std::uint32_t length) {
  if (session_state_.load() != SESSION_LOGGING_IN) return;
  if (length < sizeof(vifs::LoginResponse2)) {
    sdk_log(kModule, LOG_ERROR, "Short VIFs Message. Msg is %d.", vifs::VIFS_LOGIN_RESPONSE_2);
    return;
  }
  std::int32_t result = read_i32(body);
  if (result == 0) {
    session_id_.store(read_i32(body + 4));
    session_state_.store(SESSION_LOGGED_IN);
  } else {
    session_state_.store(SESSION_NONE);
  }
  user_.user_id = read_u32(body + 8);
  on_access_response(result);
}

void NVDVIFsClient::on_nvt_list(const unsigned char* body, std::uint32_t length) {
  std::uint32_t count = length >= 4 ? read_u32(body) : 0;
  std::uint32_t fit = length >= 4 ? (length - 4) / vifs::kCameraInfoSize : 0;
  std::uint32_t n = std::min<std::uint32_t>({count, fit, vifs::kMaxCameras});
  {
    std::lock_guard<std::mutex> guard(lists_lock_);
    cameras_.resize(n);
    if (n > 0) std::memcpy(cameras_.data(), body + 4, n * vifs::kCameraInfoSize);
  }
  on_receive_nvt_list();
}

void NVDVIFsClient::on_relay_key_response(const Header& h, const Message* source) {
  if (static_cast<std::int32_t>(h.session_id) != session_id_.load()) {
    plain_line(" Session ID Error or Get Message Failed");
    return;
  }
  if (source == nullptr || source->size() < vifs::kHeaderSize + sizeof(vifs::RelayKeyRequest) ||
      vifs::read_header(source->data()).message_id != vifs::VIFS_RELAY_KEY_REQUEST) {
    sdk_log(kModule, LOG_ERROR, "Can't find src message.");
    return;
  }
  if (h.body_length < static_cast<std::uint32_t>(vifs::kRelayTicketSize)) {
    // The application reads 58 bytes from the ticket.
    sdk_log(kModule, LOG_ERROR, "Short VIFs Message. Msg is %d.", vifs::VIFS_RELAY_KEY_RESPONSE);
    return;
  }
  unsigned camera_id = read_u32(source->data() + vifs::kHeaderSize);
  on_relay_ticket(camera_id, current_);
}

void NVDVIFsClient::on_group_answer(std::uint16_t id, const unsigned char* body,
                                    std::uint32_t length) {
  std::int32_t result = length >= 4 ? read_i32(body) : -1;
  switch (id) {
    case vifs::VIFS_ADD_USER_RESPONSE:
      on_add_user_response(result);
      plain_line("[NVDVIFsClient]:Add User Response.", result);
      break;
    case vifs::VIFS_DEL_USER_RESPONSE:
      on_del_user_response(result);
      plain_line("[NVDVIFsClient]:Del User Response.", result);
      break;
    default:
      on_update_user_response(result);
      plain_line("[NVDVIFsClient]:Update User Response.", result);
      break;
  }
}

void NVDVIFsClient::on_get_all_users(const unsigned char* body, std::uint32_t length) {
  std::uint32_t count = length >= 4 ? read_u32(body) : 0;
  // Only records that lie inside the body are taken.
  std::uint32_t fit = length >= 4 ? (length - 4) / vifs::kUserInfoSize : 0;
  std::uint32_t n = std::min(count, fit);
  {
    std::lock_guard<std::mutex> guard(lists_lock_);
    group_users_.resize(n);
    if (n > 0) std::memcpy(group_users_.data(), body + 4, n * vifs::kUserInfoSize);
  }
  on_get_all_user_response(static_cast<int>(n));
  plain_line("[NVDVIFsClient]:Get All User Response.", n);
}

void NVDVIFsClient::on_common_error(const unsigned char* body, std::uint32_t length,
                                    const Message* source) {
  sdk_log(kModule, LOG_DEBUG, "Common Error Response.");
  if (source == nullptr || source->size() < static_cast<std::size_t>(vifs::kHeaderSize)) return;
  std::int32_t code = length >= 4 ? read_i32(body) : -1;
  switch (vifs::read_header(source->data()).message_id) {
    case vifs::VIFS_GET_ALL_USER_REQUEST: {
      std::lock_guard<std::mutex> guard(lists_lock_);
      group_users_.clear();
    }
      on_get_all_user_response(code);
      break;
    case vifs::VIFS_ADD_USER_REQUEST:
      on_add_user_response(code);
      break;
    case vifs::VIFS_DEL_USER_REQUEST:
      on_del_user_response(code);
      break;
    case vifs::VIFS_UPDATE_USER_REQUEST:
      on_update_user_response(code);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------- heartbeat

void NVDVIFsClient::start_heartbeat() {
  online_.store(1);
  answer_count_.store(1);
  SocketReactor* reactor = SocketReactor::instance();
  int old = timer_id_.exchange(0);
  if (old > 0) reactor->cancel_timer(old, nullptr, 1);
  int id = reactor->schedule_timer(this, &timer_id_, TimeValue::from_msec(heartbeat_first_ms_.load()),
                                   TimeValue::from_msec(heartbeat_every_ms_.load()));
  timer_id_.store(id > 0 ? id : 0);
}

int NVDVIFsClient::handle_timeout(const TimeValue& now, void* arg) {
  if (arg != &timer_id_) return 0;
  unsigned char message[vifs::kHeaderSize];
  vifs::build_alive(message, vifs::next_transaction_id(),
                    static_cast<std::uint32_t>(session_id_.load()));
  if (answer_count_.load() > 0) {
    send_plain(message, sizeof message);
    answer_count_.store(0);
    plain_line("[NVDVIFsClient]: Send Heart Beat To NVS : ", now.msec());
  } else {
    // An unanswered heartbeat only marks the session; the server decides
    // whether the connection lives on.
    online_.store(0);
    plain_line("[NVDVIFsClient]: Lose Heart Beat frome NVS.", now.msec());
    send_plain(message, sizeof message);
  }
  return 0;
}

// ---------------------------------------------------------------- hooks

int NVDVIFsClient::on_access_response(int result) {
  if (result == 0) start_heartbeat();
  sdk_log(kModule, LOG_INFO, "onAccessResponse %d", result);
  return 0;
}

int NVDVIFsClient::on_relay_ticket(unsigned camera_id, const unsigned char* message) {
  (void)message;
  sdk_log(kModule, LOG_DEBUG, "Receive Relay Ticket for nvt %u.", camera_id);
  return 0;
}

int NVDVIFsClient::on_receive_nvt_list() {
  sdk_log(kModule, LOG_INFO, "OnReceiveNVTList");
  return 0;
}

int NVDVIFsClient::on_connect_result(int error) {
  if (error != 0)
    sdk_log(kModule, LOG_DEBUG, "NVDVIFs Connect Failed.");
  else
    enable_keepalive();
  return 0;
}

int NVDVIFsClient::handle_close(socket_t socket, int mask) {
  if (mask == MASK_TIMER) {
    sdk_log(kModule, LOG_INFO, "timer close.");
    return 0;
  }
  int id = timer_id_.exchange(0);
  if (id > 0) SocketReactor::instance()->cancel_timer(id, nullptr, 1);
  if (logout_pending_.exchange(false) && get_handle() != kInvalidSocket) {
    // The reactor's pass has ended (removal waits for it), so nothing else
    // writes to the socket now.
    ::send(get_handle(), logout_notice_, sizeof logout_notice_, MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  return TCPConnection::handle_close(socket, mask);
}

int NVDVIFsClient::on_connection_closed(int error) {
  (void)error;
  reset_session();
  return 0;
}

void NVDVIFsClient::reset_session() {
  session_id_.store(-1);
  timer_id_.store(0);
  session_state_.store(SESSION_NONE);
  fill_ = 0;
  answer_count_.store(1);
  online_.store(1);
  std::lock_guard<std::mutex> guard(lists_lock_);
  cameras_.clear();
  group_users_.clear();
}

}  // namespace kestrune
