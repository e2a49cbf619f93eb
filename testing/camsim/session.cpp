// Connection thread of the simulated camera: socket loop, framing, login,
// heartbeat and routing of requests to their handlers.
#include "session.h"

#include "sim_digest.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace camsim {

namespace {

using wire::view;

constexpr auto kFlushLimit = std::chrono::seconds(5);

uint32_t u32_at(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

Session::Session(CameraSimulator::Impl& sim, int fd, bool logged_in)
    : sim_(sim),
      fd_(fd),
      rng_(std::random_device{}()),
      logged_in_(logged_in),
      challenge_(sim.config.challenge ? -1 : 0),
      started_(Clock::now()) {
  std::lock_guard<std::mutex> lock(sim.card_mu);
  faults_ = sim.faults;
}

Session::~Session() {
  if (thread.joinable()) thread.join();
}

void Session::request_close() {
  close_requested_ = true;
  if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

uint32_t Session::fresh_id() {
  uint32_t v;
  do {
    v = static_cast<uint32_t>(rng_()) & 0x7FFFFFFFu;
  } while (v == 0);
  return v;
}

void Session::run() {
  sim_.update_stats([](Stats& s) { ++s.connections; ++s.active_connections; });
  while (!close_requested_ && !sim_.stopping) {
    Clock::time_point now = Clock::now();
    if (logged_in_ && !closing_) {
      pump_media(now);
      pump_transfers();
    }
    if (closing_ && (out_pos_ == out_.size() || now - closing_since_ > kFlushLimit)) break;

    pollfd p{fd_, static_cast<short>(closing_ ? 0 : POLLIN), 0};
    if (out_pos_ < out_.size()) p.events |= POLLOUT;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until_next_event(now));
    int timeout = static_cast<int>(std::clamp<int64_t>(wait.count(), 0, 100));
    int r = ::poll(&p, 1, timeout);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (r == 0) continue;
    if ((p.revents & POLLIN) && !read_input()) break;
    if ((p.revents & POLLOUT) && !write_output()) break;
    if (p.revents & (POLLERR | POLLNVAL)) break;
    if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) break;
  }
  {
    std::lock_guard<std::mutex> lock(sim_.sessions_mu);
    ::close(fd_);
    fd_ = -1;
  }
  sim_.update_stats([](Stats& s) { --s.active_connections; });
  sim_.note("connection closed");
  done_ = true;
}

Session::Clock::duration Session::until_next_event(Clock::time_point now) const {
  Clock::duration d = std::chrono::milliseconds(100);
  auto consider = [&](Clock::time_point t) { d = std::min(d, t - now); };
  if (video_.on && sim_.config.video_fps > 0) consider(video_.next_frame);
  if (audio_.on && sim_.config.audio_fps > 0) consider(audio_.next_frame);
  for (const Play& p : plays_)
    if (!p.paused) consider(p.next_frame);
  if (recording_ && !recording_open_ended_) consider(record_end_);
  return d;
}

bool Session::read_input() {
  uint8_t buf[65536];
  ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
  if (n == 0) return false;
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  if (!sim_.answer_login && !logged_in_) return true;  // a camera that never answers
  in_.insert(in_.end(), buf, buf + n);
  parse_input();
  return !close_requested_;
}

bool Session::write_output() {
  while (out_pos_ < out_.size()) {
    ssize_t n = ::send(fd_, out_.data() + out_pos_, out_.size() - out_pos_, MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    out_pos_ += static_cast<size_t>(n);
  }
  out_.clear();
  out_pos_ = 0;
  return true;
}

void Session::send(const void* data, size_t n) {
  if (out_pos_ > 0 && (out_pos_ == out_.size() || out_pos_ >= (1u << 20))) {
    // Drop what the socket already took, so a reader that never quite
    // catches up does not make the queue grow without bound.
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(out_pos_));
    out_pos_ = 0;
  }
  if (cut_) return;
  if (faults_.cut_at_byte > 0 && bytes_queued_ + n >= faults_.cut_at_byte) {
    n = static_cast<size_t>(faults_.cut_at_byte - bytes_queued_);
    cut_ = true;
    closing_ = true;
    closing_since_ = Clock::now();
    sim_.note("cutting the connection after %llu bytes",
              static_cast<unsigned long long>(faults_.cut_at_byte));
  }
  bytes_queued_ += n;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out_.insert(out_.end(), p, p + n);
}

void Session::parse_input() {
  size_t pos = 0;
  while (!closing_ && in_.size() - pos >= sizeof(wire::Header)) {
    uint32_t len = u32_at(in_.data() + pos);
    if (len < sizeof(wire::Header) || len > wire::kMaxMessage) {
      // No way to find the next frame: a camera drops such a client.
      sim_.protocol_error("message length %u (type %u) outside 6..131072, closing", len,
                          in_[pos + 4]);
      closing_ = true;
      closing_since_ = Clock::now();
      break;
    }
    if (in_.size() - pos < len) break;
    dispatch(in_.data() + pos, len);
    pos += len;
  }
  in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(pos));
  if (closing_) in_.clear();
}

bool Session::check_length(const char* what, uint32_t len, uint32_t want) {
  if (len == want) return true;
  sim_.protocol_error("%s of %u bytes, expected %u", what, len, want);
  return false;
}

void Session::dispatch(const uint8_t* msg, uint32_t len) {
  using namespace wire;
  uint8_t type = msg[4];
  sim_.update_stats([](Stats& s) { ++s.messages_received; });
  if (sim_.config.trace) sim_.note("received type %u, %u bytes", type, len);

  if (type == LOGIN) return on_login(msg, len);
  if (!logged_in_) {
    sim_.protocol_error("message type %u (%u bytes) before login", type, len);
    return;
  }
  switch (type) {
    case HEART_BEAT:
      if (!check_length("heartbeat", len, 6)) return;
      sim_.update_stats([](Stats& s) { ++s.heartbeats; });
      if (sim_.answer_heartbeats) send(make<Header>(HEART_BEAT));
      return;
    case RECORD_STATISTIC:
    case WARNING_RECORD_STATISTIC:
      return on_statistic(type == WARNING_RECORD_STATISTIC, len);
    case RECORD_LIST_REQUEST:
    case WARNING_RECORD_LIST_REQUEST:
      return on_list_request(msg, len);
    case RECORD_DELETE:
      return on_delete(msg, len);
    case DOWNLOAD_REQUEST:
      return on_download_request(msg, len);
    case DOWNLOAD_PAUSE:
      return on_download_pause(msg, len);
    case DOWNLOAD_RESUME:
      return on_download_resume(msg, len);
    case DOWNLOAD_CANCEL:
      return on_download_cancel(msg, len);
    case VIDEO_START:
    case VIDEO_STOP:
    case AUDIO_START:
    case AUDIO_STOP:
      if (!check_length("stream request", len, 6)) return;
      return on_stream(type == VIDEO_START || type == VIDEO_STOP,
                       type == VIDEO_START || type == AUDIO_START);
    case SPEAK_START:
    case SPEAK_STOP:
      if (!check_length("talk request", len, 6)) return;
      sim_.update_stats([&](Stats& s) { ++(type == SPEAK_START ? s.speak_starts : s.speak_stops); });
      return;
    case AUDIO_FRAME:
      return on_talk_audio(msg, len);
    case VIDEO_SETTINGS:
    case VIDEO_SETTINGS_SET:
      return on_video_settings(msg, len, type == VIDEO_SETTINGS_SET);
    case RECORD_START:
      return on_record_start(msg, len);
    case RECORD_STOP:
      return on_record_stop(msg, len);
    case RECORD_DELAY:
      return on_record_delay(msg, len);
    case REMOTE_PLAY:
      return on_remote_play(msg, len);
    case REMOTE_PLAY_CTRL:
      return on_remote_play_ctrl(msg, len);
    case CONFIG:
      return on_config(msg, len);
    case PTZ_SERIAL:
      return on_ptz_serial(msg, len);
    case SIGNAL_STRENGTH:
      return on_signal_strength(len);
    case PTZ_GOTO_PRESET:
      return on_goto_preset(msg, len);
    default:
      sim_.protocol_error("unexpected message type %u (%u bytes)", type, len);
      return;
  }
}

void Session::send_login_reply(uint32_t status, uint32_t challenge) {
  auto m = wire::make<wire::Login>(wire::LOGIN);
  m.random1 = static_cast<uint32_t>(rng_());
  m.random2 = static_cast<uint32_t>(rng_());
  m.challenge = challenge;
  m.status = status;
  send(m);
}

void Session::on_login(const uint8_t* msg, uint32_t len) {
  if (!check_length("login", len, 70)) return;
  if (logged_in_) {
    sim_.protocol_error("login on a session that is already logged in");
    return;
  }
  auto m = view<wire::Login>(msg);
  static const uint8_t zeros[16] = {};
  if (m.status != 0 || std::memcmp(m.zero1, zeros, 16) != 0 || std::memcmp(m.zero2, zeros, 16) != 0)
    sim_.protocol_error("login with non-zero reserved fields or status %u", m.status);

  if (challenge_ < 0) {
    if (m.challenge != 0)
      sim_.protocol_error("first login answers challenge %u before any was issued", m.challenge);
    challenge_ = fresh_id();
    sim_.note("login: challenge %lld", static_cast<long long>(challenge_));
    send_login_reply(wire::kChallengeStatus, static_cast<uint32_t>(challenge_));
    return;
  }
  if (m.challenge != static_cast<uint32_t>(challenge_))
    sim_.protocol_error("login answers challenge %u, issued %lld", m.challenge,
                        static_cast<long long>(challenge_));

  // Digest over the decimal text of the challenge (zero padded to 16 bytes)
  // followed by the password block.
  uint8_t text[32] = {};
  std::snprintf(reinterpret_cast<char*>(text), 16, "%d", static_cast<int>(challenge_));
  std::memcpy(text + 16, sim_.password_block, 16);
  uint8_t want[16];
  simdigest::md5(text, sizeof text, want);
  if (m.challenge == static_cast<uint32_t>(challenge_) && std::memcmp(want, m.digest, 16) == 0) {
    logged_in_ = true;
    sim_.update_stats([](Stats& s) { ++s.logins_ok; });
    sim_.note("login accepted");
    send_login_reply(0, static_cast<uint32_t>(challenge_));
    return;
  }
  sim_.update_stats([](Stats& s) { ++s.logins_refused; });
  challenge_ = fresh_id();
  sim_.note("login refused (wrong digest), new challenge %lld", static_cast<long long>(challenge_));
  send_login_reply(wire::kChallengeStatus, static_cast<uint32_t>(challenge_));
}

}  // namespace camsim
