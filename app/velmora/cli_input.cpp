#include "cli_input.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace velmora {

namespace {
constexpr const char* kIntervalNames[] = {"off", "10m", "30m", "1h", "2h",
                                          "4h",  "12h", "1d",  "1w"};
}  // namespace

bool parse_camera_id(const std::string& text, std::int32_t& id) {
  if (text.empty() || text.size() > 11) return false;
  const bool negative = text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  if (digits.empty()) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) return false;
  id = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  return true;
}

bool parse_interval(const std::string& text, std::int32_t& code) {
  for (std::int32_t i = 0; i < 9; ++i) {
    if (text == kIntervalNames[i] || text == std::to_string(i)) {
      code = i;
      return true;
    }
  }
  return false;
}

const char* interval_name(std::int32_t code) {
  return code >= 0 && code <= 8 ? kIntervalNames[code] : "off";
}

bool parse_byte_size(const std::string& text, std::int64_t max, std::int64_t& bytes) {
  std::size_t i = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == 0 || i > 18) return false;
  const long long number = std::strtoll(text.substr(0, i).c_str(), nullptr, 10);
  std::string unit = text.substr(i);
  for (char& c : unit) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  int shift = 0;
  if (!unit.empty()) {
    const std::string units = "KMGT";
    const std::size_t at = units.find(unit[0]);
    const std::string rest = unit.substr(1);
    if (at == std::string::npos || !(rest.empty() || rest == "B" || rest == "IB")) {
      if (unit != "B") return false;
    } else {
      shift = 10 * static_cast<int>(at + 1);
    }
  }
  if (number > (max >> shift)) return false;
  bytes = static_cast<std::int64_t>(number) << shift;
  return true;
}

bool parse_days(const std::string& text, std::int32_t max, std::int32_t& days) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  const long v = std::strtol(text.c_str(), nullptr, 10);
  if (v > max) return false;
  days = static_cast<std::int32_t>(v);
  return true;
}

std::string byte_size_text(std::int64_t bytes) {
  static const char units[] = {'K', 'M', 'G', 'T'};
  int u = -1;
  while (bytes != 0 && u < 3 && bytes % 1024 == 0) {
    bytes /= 1024;
    ++u;
  }
  return std::to_string(bytes) + (u >= 0 ? std::string(1, units[u]) : std::string());
}

std::string unusable_address(const std::uint8_t a[4]) {
  const char* why = nullptr;
  if (a[0] == 0) {
    why = QT_TRANSLATE_NOOP("Console", "is not a host address (0.x.x.x means this network)");
  } else if (a[0] == 255 && a[1] == 255 && a[2] == 255 && a[3] == 255) {
    why = QT_TRANSLATE_NOOP("Console", "is the broadcast address");
  } else if (a[0] >= 224 && a[0] <= 239) {
    why = QT_TRANSLATE_NOOP("Console", "is a multicast address");
  } else if (a[0] >= 240) {
    why = QT_TRANSLATE_NOOP("Console", "is a reserved address");
  }
  return why ? QCoreApplication::translate("Console", why).toStdString() : std::string();
}

bool looks_like_broadcast(const std::uint8_t a[4]) { return a[3] == 255; }

bool looks_like_ipv4(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
}

bool resolve_host_ipv4(const std::string& name, std::string& dotted) {
  // Digits and dots would be read by the resolver in the old short forms
  // ("10.1" is 10.0.0.1): never a name.
  if (name.empty() || looks_like_ipv4(name)) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  bool ok = false;
  for (const addrinfo* a = found; a && !ok; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in sin{};
    std::memcpy(&sin, a->ai_addr, sizeof sin);
    char text[INET_ADDRSTRLEN] = {};
    ok = ::inet_ntop(AF_INET, &sin.sin_addr, text, sizeof text) != nullptr;
    if (ok) dotted = text;
  }
  ::freeaddrinfo(found);
  return ok;
}

bool read_password_line(std::string& password) {
  password.clear();
  char c;
  bool any = false;
  while (::read(STDIN_FILENO, &c, 1) == 1) {
    any = true;
    if (c == '\n') break;
    password.push_back(c);
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return any;
}

namespace {

// The terminal's settings while echo is off, restored if Ctrl+C ends the
// prompt (the shell would otherwise be left without echo).
termios g_saved_termios{};
int g_prompt_fd = -1;

void restore_and_reraise(int sig) {
  if (g_prompt_fd >= 0) ::tcsetattr(g_prompt_fd, TCSAFLUSH, &g_saved_termios);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

bool prompt_password(const std::string& prompt, std::string& password) {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  termios old{};
  const bool have_termios = ::tcgetattr(fd, &old) == 0;
  if (!have_termios) {
    ::close(fd);
    return false;
  }
  g_saved_termios = old;
  g_prompt_fd = fd;
  struct sigaction sa {}, old_int {}, old_term {};
  sa.sa_handler = restore_and_reraise;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, &old_int);
  ::sigaction(SIGTERM, &sa, &old_term);
  termios quiet = old;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  // Echo goes off before the prompt appears: anything typed once it shows
  // must not be echoed (nor be thrown away by the flush).
  ::tcsetattr(fd, TCSAFLUSH, &quiet);
  (void)!::write(fd, prompt.data(), prompt.size());
  password.clear();
  char c;
  bool ok = false;
  while (true) {
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n != 1) break;
    if (c == '\n' || c == '\r') {
      ok = true;
      break;
    }
    password.push_back(c);
  }
  ::tcsetattr(fd, TCSAFLUSH, &old);
  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGTERM, &old_term, nullptr);
  g_prompt_fd = -1;
  ::close(fd);
  return ok;
}

}  // namespace velmora
