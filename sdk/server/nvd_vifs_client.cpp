// The client's receiving side, on the reactor thread: reassembly of the
// stream into messages, dispatch, and the handling of every answer and notice.
// Requests and the heartbeat live in nvd_vifs_requests.cpp and
// nvd_vifs_heartbeat.cpp.
#include "server/nvd_vifs_client.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "net/handler_keep_alive.h"
#include "net/log.h"
#include "net/reactor.h"
#include "net/reactor_thread_check.h"
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

}  // namespace

using vifs::Header;
using Message = vifs::PendingRequests::Message;

NVDVIFsClient::NVDVIFsClient() = default;
NVDVIFsClient::~NVDVIFsClient() = default;


// ---------------------------------------------------------------- receiving

int NVDVIFsClient::handle_input() {
  KS_ASSERT_REACTOR_THREAD(*this);
  HandlerKeepAlive hold(this);
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

// Replies shorter than their fixed fields are dropped: reading on would take
// bytes of an earlier message.
bool NVDVIFsClient::long_enough(std::uint32_t length, std::uint32_t need, int id) const {
  if (length >= need) return true;
  sdk_log(kModule, LOG_ERROR, "Short VIFs Message. Msg is %d.", id);
  return false;
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
  if (!long_enough(length, 4, current_header_.message_id)) return;
  std::uint32_t count = read_u32(body);
  std::uint32_t fit = (length - 4) / vifs::kCameraInfoSize;
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
  if (!long_enough(length, 4, id)) return;
  std::int32_t result = read_i32(body);
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
  if (!long_enough(length, 4, current_header_.message_id)) return;
  std::uint32_t count = read_u32(body);
  // Only records that lie inside the body are taken.
  std::uint32_t fit = (length - 4) / vifs::kUserInfoSize;
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
  if (!long_enough(length, 4, current_header_.message_id)) return;
  std::int32_t code = read_i32(body);
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
