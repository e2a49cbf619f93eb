#include "detect/camera_detector.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

#include "detect/announcement.h"
#include "net/log.h"

namespace kestrune {
namespace {

// One byte more than the largest datagram we accept, so a longer one is seen
// as too long rather than cut to a plausible length.
constexpr std::size_t kReceiveBuffer = 512;
constexpr std::size_t kLargestDatagram = 510;

std::uint16_t initial_port() {
  const char* text = std::getenv("KESTRUNE_DISCOVERY_PORT");
  if (text == nullptr || *text == '\0') return kDiscoveryPort;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != '\0' || v < 0 || v > 65535) return kDiscoveryPort;
  return static_cast<std::uint16_t>(v);
}

void camera_line(const char* text, std::uint64_t id) {
  plain_line((std::string(text) + std::to_string(id)).c_str());
}

}  // namespace

CameraDetector& CameraDetector::instance() {
  static CameraDetector detector;
  return detector;
}

CameraDetector::CameraDetector() : port_(initial_port()) {
  if (::pipe2(wake_fds_, O_CLOEXEC | O_NONBLOCK) != 0) wake_fds_[0] = wake_fds_[1] = -1;
}

CameraDetector::~CameraDetector() {
  // The sweep goes first, so none runs on a list being freed.
  if (sweep_timer_) sweep_timer_->stop();
  stop();
  {
    Guard g(list_lock_);
    list_.clear();
    notify_ = nullptr;
  }
  for (int& fd : wake_fds_) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void CameraDetector::register_callback(NVS_SDK_V160::ICameraDetectNotify* notify) {
  Guard g(list_lock_);
  notify_ = notify;
}

socket_t CameraDetector::make_socket() {
  const socket_t s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (s == kInvalidSocket) return kInvalidSocket;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(port_);
  if (::bind(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      set_nonblocking(s) != 0) {
    close_socket(s);
    return kInvalidSocket;
  }
  return s;
}

int CameraDetector::start() {
  std::lock_guard<std::mutex> api(api_mu_);
  {
    std::unique_lock<std::mutex> l(ctl_mu_);
    if (state_ != kNone) {
      // A second start would only wait for a receiver that never ends.
      sdk_log("CameraDetector", LOG_WARN, "Start refused: discovery is already running");
      return -1;
    }
    if (socket_ != kInvalidSocket) {  // left by a Resume without a receiver
      close_socket(socket_);
      socket_ = kInvalidSocket;
      bound_port_ = 0;
    }
    const socket_t s = make_socket();
    if (s == kInvalidSocket) return -1;
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    socket_ = s;
    bound_port_ = ntohs(addr.sin_port);
    stop_requested_ = park_requested_ = parked_ = false;
    try {
      receiver_ = std::thread(&CameraDetector::receiver_loop, this);
    } catch (const std::system_error&) {
      close_socket(socket_);
      socket_ = kInvalidSocket;
      bound_port_ = 0;
      return -1;
    }
    state_ = kRunning;
  }
  if (!sweep_timer_) {
    sweep_timer_ = std::make_unique<SweepTimer>(sweep_period_ms_, true, &CameraDetector::sweep_callback, this);
    // Without the sweep, cameras are still found but never reported lost.
    sweep_start_result_ = sweep_timer_->start();
  }
  return 0;
}

int CameraDetector::stop() {
  std::lock_guard<std::mutex> api(api_mu_);
  std::unique_lock<std::mutex> l(ctl_mu_);
  if (receiver_.joinable()) {
    if (receiver_.get_id() == std::this_thread::get_id()) {
      // Called from a notification on the receiver itself: it cannot wait
      // for its own end.
      return -1;
    }
    stop_requested_ = true;
    ctl_cv_.notify_all();
    wake_receiver();
    l.unlock();
    receiver_.join();
    l.lock();
  }
  if (socket_ != kInvalidSocket) close_socket(socket_);
  socket_ = kInvalidSocket;
  bound_port_ = 0;
  state_ = kNone;
  stop_requested_ = park_requested_ = parked_ = false;
  return 0;
}

int CameraDetector::suspend() {
  std::lock_guard<std::mutex> api(api_mu_);
  std::unique_lock<std::mutex> l(ctl_mu_);
  if (state_ != kRunning || receiver_.get_id() == std::this_thread::get_id()) {
    if (state_ == kNone && socket_ != kInvalidSocket) {  // no receiver waits on it
      close_socket(socket_);
      socket_ = kInvalidSocket;
      bound_port_ = 0;
    }
    return -1;
  }
  park_receiver(l);
  close_socket(socket_);
  socket_ = kInvalidSocket;
  bound_port_ = 0;
  state_ = kSuspended;
  return 0;
}

int CameraDetector::resume() {
  std::lock_guard<std::mutex> api(api_mu_);
  std::unique_lock<std::mutex> l(ctl_mu_);
  if (state_ == kRunning) return 0;  // already listening on its socket
  const socket_t s = make_socket();
  if (s == kInvalidSocket) return -1;  // stays suspended
  if (socket_ != kInvalidSocket) close_socket(socket_);
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  socket_ = s;
  bound_port_ = ntohs(addr.sin_port);
  if (state_ == kSuspended) {
    // The receiver picks the new socket up as soon as it leaves its park.
    park_requested_ = false;
    state_ = kRunning;
    ctl_cv_.notify_all();
  }
  return 0;
}

void CameraDetector::park_receiver(std::unique_lock<std::mutex>& l) {
  park_requested_ = true;
  wake_receiver();
  ctl_cv_.wait(l, [this] { return parked_; });
}

void CameraDetector::wake_receiver() {
  if (wake_fds_[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(wake_fds_[1], &byte, 1);  // a full pipe wakes too
}

void CameraDetector::receiver_loop() {
  std::uint8_t buffer[kReceiveBuffer];
  for (;;) {
    socket_t s;
    {
      std::unique_lock<std::mutex> l(ctl_mu_);
      while (park_requested_ && !stop_requested_) {
        parked_ = true;
        ctl_cv_.notify_all();
        ctl_cv_.wait(l);
      }
      parked_ = false;
      if (stop_requested_) return;
      s = socket_;
    }
    pollfd fds[2] = {{wake_fds_[0], POLLIN, 0}, {s, POLLIN, 0}};
    const int n = ::poll(fds, s == kInvalidSocket ? 1 : 2, -1);
    if (n < 0) {
      if (errno != EINTR) sleep_ms(1);
      continue;
    }
    if (fds[0].revents != 0) {
      char drain[64];
      while (::read(wake_fds_[0], drain, sizeof drain) > 0) {
      }
      continue;  // look at the requests first
    }
    if (s == kInvalidSocket || fds[1].revents == 0) continue;
    // Everything queued is handled now; the socket is non-blocking.
    for (;;) {
      sockaddr_in from{};
      socklen_t from_len = sizeof from;
      // MSG_TRUNC returns the datagram's real length, so a longer one can
      // never pass for an announcement cut to fit.
      const ssize_t got = ::recvfrom(s, buffer, sizeof buffer, MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &from_len);
      if (got < 0) {
        if (errno == EINTR) continue;
        break;  // drained (or a pending error, which the read has cleared)
      }
      if (got < 1 || static_cast<std::size_t>(got) > kLargestDatagram) continue;
      handle_datagram(buffer, static_cast<std::size_t>(got), ntohl(from.sin_addr.s_addr));
    }
  }
}

void CameraDetector::handle_datagram(const std::uint8_t* data, std::size_t length, std::uint32_t source) {
  std::uint64_t id;
  if (!announcement_camera_id(data, length, &id)) return;
  Guard g(list_lock_);
  for (auto it = list_.begin(); it != list_.end(); ++it) {
    if ((*it)->camera_id != id) continue;
    if ((*it)->ip_address == source) {
      ++(*it)->seen;
      return;
    }
    // Same camera at a new address: the old record goes without a lost notice.
    list_.erase(it);
    break;
  }
  auto record = std::make_unique<NVS_SDK_V160::DetectedCamera>();
  make_detected_camera(data, length, list_.empty(), record.get());
  list_.push_back(std::move(record));
  camera_line("New Camera : ", id);
  if (notify_ != nullptr) notify_->OnCameraFound(list_.back().get(), sizeof(NVS_SDK_V160::DetectedCamera));
}

void CameraDetector::sweep() {
  Guard g(list_lock_);
  for (auto it = list_.begin(); it != list_.end();) {
    NVS_SDK_V160::DetectedCamera* r = it->get();
    if (r->seen != 0) {
      r->seen = 0;
      ++it;
      continue;
    }
    if (notify_ != nullptr) notify_->OnCameraLost(r, sizeof(NVS_SDK_V160::DetectedCamera));
    camera_line("Lost Camera : ", r->camera_id);
    it = list_.erase(it);
  }
}

void CameraDetector::sweep_callback(void* self) { static_cast<CameraDetector*>(self)->sweep(); }

void CameraDetector::set_port(std::uint16_t port) {
  std::lock_guard<std::mutex> g(ctl_mu_);
  port_ = port;
}

std::uint16_t CameraDetector::bound_port() const {
  std::lock_guard<std::mutex> g(ctl_mu_);
  return bound_port_;
}

void CameraDetector::set_sweep_period(int ms) {
  std::lock_guard<std::mutex> api(api_mu_);
  sweep_period_ms_ = ms;
  if (!sweep_timer_) return;
  const bool was_running = sweep_timer_->running();
  sweep_timer_->stop();
  sweep_timer_->set_period(ms);
  if (was_running) sweep_start_result_ = sweep_timer_->start();
}

int CameraDetector::receiver_state() const {
  std::lock_guard<std::mutex> g(ctl_mu_);
  return state_;
}

std::vector<NVS_SDK_V160::DetectedCamera> CameraDetector::cameras() const {
  Guard g(list_lock_);
  std::vector<NVS_SDK_V160::DetectedCamera> out;
  out.reserve(list_.size());
  for (const auto& r : list_) out.push_back(*r);
  return out;
}

void CameraDetector::reset() {
  stop();
  {
    std::lock_guard<std::mutex> api(api_mu_);
    if (sweep_timer_) sweep_timer_->stop();
    sweep_timer_.reset();
    sweep_period_ms_ = kSweepPeriodMs;
  }
  Guard g(list_lock_);
  list_.clear();
  notify_ = nullptr;
}

}  // namespace kestrune
