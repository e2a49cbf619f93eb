// Listener, connection bookkeeping and the thread-safe face of the camera
// simulator.
#include "session.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace camsim {

CameraSimulator::Impl::Impl(Config c) : config(std::move(c)) {
  if (config.password.size() > 15)
    std::fprintf(stderr, "camsim: password longer than 15 bytes, only the first 15 count\n");
  std::memcpy(password_block, config.password.data(), std::min<size_t>(config.password.size(), 15));
  // Every data block must fit the client's receive buffer with its header.
  if (config.block_size == 0) config.block_size = 32768;
  config.block_size = std::min<uint32_t>(config.block_size, wire::kMaxMessage - 26);
  answer_heartbeats = config.answer_heartbeats;
  answer_login = config.answer_login;
  card = config.recordings;
  refuse = config.refuse_downloads;
  drop_after = config.drop_after_download_bytes;
  refuse_deletes = config.refuse_deletes;
  answer_deletes = config.answer_deletes;
  faults = config.faults;
}

void CameraSimulator::Impl::protocol_error(const char* fmt, ...) {
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  std::fprintf(stderr, "camsim: protocol error: %s\n", text);
  update_stats([&](Stats& s) {
    ++s.protocol_errors;
    s.last_protocol_error = text;
  });
}

void CameraSimulator::Impl::note(const char* fmt, ...) {
  if (!config.verbose) return;
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  std::printf("camsim: %s\n", text);
  std::fflush(stdout);
}

bool CameraSimulator::Impl::find_recording(const std::string& name, Recording* out) const {
  std::lock_guard<std::mutex> lock(card_mu);
  for (const Recording& r : card) {
    if (r.name == name) {
      *out = r;
      return true;
    }
  }
  return false;
}

int CameraSimulator::Impl::start_session(int fd, bool logged_in) {
  int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::lock_guard<std::mutex> lock(sessions_mu);
  if (!running) {
    ::close(fd);
    return -1;
  }
  sessions.push_back(std::make_unique<Session>(*this, fd, logged_in));
  Session* s = sessions.back().get();
  s->thread = std::thread([s] { s->run(); });
  return 0;
}

void CameraSimulator::Impl::reap_finished() {
  std::list<std::unique_ptr<Session>> done;
  {
    std::lock_guard<std::mutex> lock(sessions_mu);
    for (auto it = sessions.begin(); it != sessions.end();) {
      if ((*it)->finished()) {
        done.splice(done.end(), sessions, it++);
      } else {
        ++it;
      }
    }
  }
  done.clear();  // joins outside the lock
}

void CameraSimulator::Impl::accept_loop() {
  while (!stopping) {
    pollfd p{listen_fd, POLLIN, 0};
    int r = ::poll(&p, 1, 100);
    reap_finished();
    if (r <= 0) continue;
    sockaddr_in peer{};
    socklen_t plen = sizeof peer;
    int fd = ::accept4(listen_fd, reinterpret_cast<sockaddr*>(&peer), &plen, SOCK_CLOEXEC);
    if (fd < 0) continue;
    char ip[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
    note("connection from %s:%u", ip, ntohs(peer.sin_port));
    start_session(fd, false);
  }
}

CameraSimulator::CameraSimulator(Config config) : impl_(std::make_unique<Impl>(std::move(config))) {}

CameraSimulator::~CameraSimulator() { stop(); }

int CameraSimulator::start() {
  Impl& m = *impl_;
  if (m.listen_fd >= 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(m.config.port);
  if (::inet_pton(AF_INET, m.config.address.c_str(), &addr.sin_addr) != 1) {
    std::fprintf(stderr, "camsim: bad address \"%s\"\n", m.config.address.c_str());
    return -1;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::fprintf(stderr, "camsim: socket: %s\n", std::strerror(errno));
    return -1;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
    std::fprintf(stderr, "camsim: cannot listen on %s:%u: %s\n", m.config.address.c_str(),
                 m.config.port, std::strerror(errno));
    ::close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  m.bound_port = ntohs(addr.sin_port);
  m.listen_fd = fd;
  m.stopping = false;
  {
    std::lock_guard<std::mutex> lock(m.sessions_mu);
    m.running = true;
  }
  m.note("camera listening on %s:%u with %zu recordings", m.config.address.c_str(),
         m.bound_port.load(), recordings().size());
  m.accept_thread = std::thread([&m] { m.accept_loop(); });
  if (m.config.announce.camera_id != 0) {
    m.announcer = std::make_unique<Announcer>(m.config.announce, m.config.address, [&m] {
      m.update_stats([](Stats& s) { ++s.announcements_sent; });
    });
    if (m.announcer->start() != 0) {
      stop();
      return -1;
    }
    m.note("announcing camera %llu every %d ms to %s:%u", static_cast<unsigned long long>(m.config.announce.camera_id),
           m.config.announce.period_ms, m.config.announce.target_address.c_str(), m.config.announce.target_port);
  }
  return 0;
}

void CameraSimulator::stop() {
  Impl& m = *impl_;
  m.announcer.reset();
  m.stopping = true;
  if (m.accept_thread.joinable()) m.accept_thread.join();
  std::list<std::unique_ptr<Session>> all;
  {
    std::lock_guard<std::mutex> lock(m.sessions_mu);
    m.running = false;
    for (auto& s : m.sessions) s->request_close();
    all.swap(m.sessions);
  }
  all.clear();  // joins every connection thread
  if (m.listen_fd >= 0) {
    ::close(m.listen_fd);
    m.listen_fd = -1;
  }
}

uint16_t CameraSimulator::port() const { return impl_->bound_port; }

Stats CameraSimulator::stats() const {
  std::lock_guard<std::mutex> lock(impl_->stats_mu);
  return impl_->stats;
}

void CameraSimulator::set_answer_heartbeats(bool on) { impl_->answer_heartbeats = on; }
void CameraSimulator::set_answer_login(bool on) { impl_->answer_login = on; }

void CameraSimulator::set_refuse_downloads(std::set<std::string> names) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->refuse = std::move(names);
}

void CameraSimulator::set_refuse_deletes(bool refuse) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->refuse_deletes = refuse;
}

void CameraSimulator::set_answer_deletes(bool answer) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->answer_deletes = answer;
}

void CameraSimulator::set_faults(const Faults& faults) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->faults = faults;
}

void CameraSimulator::set_drop_after_download_bytes(uint64_t bytes) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->drop_after = bytes;
}

void CameraSimulator::set_recordings(std::vector<Recording> recordings) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->card = std::move(recordings);
}

void CameraSimulator::set_settings_page(int read_sub_type, std::string xml) {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  impl_->settings_pages[read_sub_type] = std::move(xml);
}

std::vector<Recording> CameraSimulator::recordings() const {
  std::lock_guard<std::mutex> lock(impl_->card_mu);
  return impl_->card;
}

int CameraSimulator::set_announce_address(const std::string& address) {
  return impl_->announcer ? impl_->announcer->set_address(address) : -1;
}

void CameraSimulator::set_announce_silent(bool silent) {
  if (impl_->announcer) impl_->announcer->set_silent(silent);
}

void CameraSimulator::send_malformed_announcement(size_t length) {
  if (impl_->announcer) impl_->announcer->send_malformed(length);
}

void CameraSimulator::announce_now() {
  if (impl_->announcer) impl_->announcer->announce_now();
}

void CameraSimulator::drop_connections() {
  std::lock_guard<std::mutex> lock(impl_->sessions_mu);
  for (auto& s : impl_->sessions) s->request_close();
}

int CameraSimulator::adopt_connection(int fd, bool logged_in) {
  if (fd < 0) return -1;
  return impl_->start_session(fd, logged_in);
}

}  // namespace camsim
