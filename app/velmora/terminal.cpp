#include "terminal.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <cstdio>

namespace velmora {

namespace {

// JOURNAL_STREAM is "device:inode" of the stream the journal reads; it names
// our descriptor only when that descriptor really is that stream (a child
// started from a service keeps the variable but may have other output).
bool is_journal_stream(int fd) {
  const char* v = std::getenv("JOURNAL_STREAM");
  if (!v || !*v) return false;
  unsigned long long dev = 0, ino = 0;
  if (std::sscanf(v, "%llu:%llu", &dev, &ino) != 2) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  return static_cast<unsigned long long>(st.st_dev) == dev &&
         static_cast<unsigned long long>(st.st_ino) == ino;
}

// Decodes one UTF-8 character at `s`; returns its length in bytes (1 for an
// invalid byte, with `cp` = -1).
std::size_t decode(const unsigned char* s, std::size_t n, long& cp) {
  const unsigned char c = s[0];
  std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || len > n) {
    cp = -1;
    return 1;
  }
  if (len == 1) {
    cp = c;
    return 1;
  }
  long v = c & (0x7f >> len);
  for (std::size_t i = 1; i < len; ++i) {
    if ((s[i] & 0xc0) != 0x80) {
      cp = -1;
      return 1;
    }
    v = (v << 6) | (s[i] & 0x3f);
  }
  cp = v;
  return len;
}

// East Asian wide and fullwidth ranges: the characters an alias is most
// likely to hold that take two columns.
int width_of(long cp) {
  if (cp < 0) return 1;
  if (cp < 0x20 || (cp >= 0x7f && cp < 0xa0)) return 0;
  if (cp >= 0x300 && cp <= 0x36f) return 0;  // combining marks
  const bool wide = (cp >= 0x1100 && cp <= 0x115f) || (cp >= 0x2e80 && cp <= 0x303e) ||
                    (cp >= 0x3041 && cp <= 0x33ff) || (cp >= 0x3400 && cp <= 0x4dbf) ||
                    (cp >= 0x4e00 && cp <= 0x9fff) || (cp >= 0xa000 && cp <= 0xa4cf) ||
                    (cp >= 0xac00 && cp <= 0xd7a3) || (cp >= 0xf900 && cp <= 0xfaff) ||
                    (cp >= 0xfe30 && cp <= 0xfe4f) || (cp >= 0xff00 && cp <= 0xff60) ||
                    (cp >= 0xffe0 && cp <= 0xffe6) || (cp >= 0x1f300 && cp <= 0x1faff) ||
                    (cp >= 0x20000 && cp <= 0x3fffd);
  return wide ? 2 : 1;
}

}  // namespace

TerminalInfo probe_terminal(int fd) {
  TerminalInfo t;
  t.journal = is_journal_stream(fd);
  t.tty = ::isatty(fd) == 1;
  if (!t.tty) return t;
  const char* term = std::getenv("TERM");
  t.can_move_cursor = term && *term && std::strcmp(term, "dumb") != 0;
  winsize ws{};
  if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) {
    t.columns = ws.ws_col;
    t.rows = ws.ws_row > 0 ? ws.ws_row : t.rows;
  } else if (const char* c = std::getenv("COLUMNS")) {
    const int v = std::atoi(c);
    if (v > 0) t.columns = v;
  }
  return t;
}

int display_width(const std::string& utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  int w = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    long cp;
    i += decode(s + i, utf8.size() - i, cp);
    w += width_of(cp);
  }
  return w;
}

std::string cut_to_width(const std::string& utf8, int columns) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  int w = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    long cp;
    const std::size_t len = decode(s + i, utf8.size() - i, cp);
    const int cw = width_of(cp);
    if (w + cw > columns) break;
    w += cw;
    i += len;
  }
  return utf8.substr(0, i);
}

}  // namespace velmora
