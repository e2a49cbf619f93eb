// The velmora program on a pseudo-terminal: the live board at 40 and 80
// columns and on a terminal that cannot move the cursor, read back through a
// small screen model, and the password prompt without echo.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "camsim.h"

namespace velmora {
namespace {

// Enough of a terminal to see what the program leaves behind: printable
// characters with automatic wrap at the width, CR, LF, cursor up and erase
// to the end of the screen; other escape sequences are skipped.
struct Screen {
  explicit Screen(int columns) : width(columns), lines(1) {}
  int width;
  std::vector<std::string> lines;  // scrollback and screen
  std::size_t row = 0;
  int col = 0;
  std::vector<std::string> wrapped;  // lines that ran past the width

  void put(char c) {
    if (col == width) {
      wrapped.push_back(lines[row]);
      newline();
      col = 0;
    }
    std::string& l = lines[row];
    if (static_cast<int>(l.size()) <= col) l.resize(static_cast<std::size_t>(col), ' ');
    if (static_cast<int>(l.size()) == col) l.push_back(c); else l[static_cast<std::size_t>(col)] = c;
    // UTF-8 continuation bytes take no column.
    if ((static_cast<unsigned char>(c) & 0xc0) != 0x80) ++col;
  }
  void newline() {
    if (++row == lines.size()) lines.emplace_back();
  }
  void feed(const std::string& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const char c = bytes[i];
      if (c == '\x1b' && i + 1 < bytes.size() && bytes[i + 1] == '[') {
        std::size_t j = i + 2;
        int n = 0;
        while (j < bytes.size() && bytes[j] >= '0' && bytes[j] <= '9') n = n * 10 + (bytes[j++] - '0');
        while (j < bytes.size() && (bytes[j] == ';' || bytes[j] == '?' || (bytes[j] >= '0' && bytes[j] <= '9'))) ++j;
        if (j >= bytes.size()) break;
        if (bytes[j] == 'A') row = row >= static_cast<std::size_t>(std::max(n, 1)) ? row - static_cast<std::size_t>(std::max(n, 1)) : 0;
        if (bytes[j] == 'J') {
          lines[row].resize(std::min(lines[row].size(), static_cast<std::size_t>(col)));
          lines.resize(row + 1);
        }
        i = j;
      } else if (c == '\r') {
        col = 0;
      } else if (c == '\n') {
        newline();
      } else if (static_cast<unsigned char>(c) >= 0x20) {
        put(c);
      }
    }
  }
};

struct PtyRun {
  int code = -1;
  std::string output;  // every byte the program wrote to the terminal
};

// Runs velmora on a new pseudo-terminal of the given size; `input` is typed
// once `prompt` appears.
PtyRun run_on_pty(const std::vector<std::string>& args, const std::vector<std::string>& env,
                  int columns, const std::string& prompt = {}, const std::string& input = {}) {
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(columns);
  ws.ws_row = 24;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, &ws);
  if (pid == 0) {
    for (const std::string& e : env) {
      if (e == "JOURNAL_STREAM=self") {
        // As systemd sets it when the journal reads the output.
        struct stat st {};
        ::fstat(STDOUT_FILENO, &st);
        ::setenv("JOURNAL_STREAM",
                 (std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino)).c_str(), 1);
      } else {
        ::putenv(const_cast<char*>(e.c_str()));
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(VELMORA_BIN));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VELMORA_BIN, argv.data());
    ::_exit(127);
  }
  PtyRun r;
  bool typed = prompt.empty();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) > 0) {
      char buf[4096];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;  // the program ended and closed the terminal
      r.output.append(buf, static_cast<std::size_t>(n));
    }
    if (!typed && r.output.find(prompt) != std::string::npos) {
      (void)!::write(master, input.data(), input.size());
      typed = true;
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ::close(master);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class Terminal : public ::testing::Test {
protected:
  void SetUp() override {
    env_ = {"XDG_DATA_HOME=" + data_.path().toStdString(),
            "XDG_RUNTIME_DIR=" + run_.path().toStdString()};
    env_.push_back("TERM=xterm");
    env_.push_back("JOURNAL_STREAM=");
    for (const char* v : {"LANG=C.UTF-8", "LANGUAGE=", "LC_ALL=", "LC_MESSAGES="}) env_.push_back(v);
  }

  // Two cameras whose recordings take a few chunks each, so the board is
  // redrawn many times while they download. Each test has addresses of its
  // own: the tests run side by side.
  void add_cameras(int first_address) {
    for (int i = 0; i < 2; ++i) {
      camsim::Config cfg;
      cfg.address = "127.0.2." + std::to_string(first_address + i);
      cfg.port = 9996;
      cfg.password = "pw";
      cfg.recordings = camsim::generate_recordings(2, 200000, 300000, 0.5, 40 + i);
      sims_.push_back(std::make_unique<camsim::CameraSimulator>(cfg));
      ASSERT_EQ(sims_.back()->start(), 0);
      PtyRun r = run_on_pty({"cameras", "add-local", std::to_string(9000 + i), cfg.address, "pw"},
                            env_, 80);
      ASSERT_EQ(r.code, 0) << r.output;
    }
  }

  QTemporaryDir data_, run_;
  std::vector<std::string> env_;
  std::vector<std::unique_ptr<camsim::CameraSimulator>> sims_;
};

TEST_F(Terminal, BoardFitsTheWidthAndLeavesNoStaleRows) {
  add_cameras(93);
  for (int columns : {40, 80}) {
    // Start from nothing on disk so both runs download.
    QDir(data_.path() + "/OV/RecordDownload").removeRecursively();
    // At 80 columns the library's lines come too, printed above the board.
    std::vector<std::string> args = {"--headless", "--once"};
    if (columns == 80) args.push_back("--verbose");
    PtyRun r = run_on_pty(args, env_, columns);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("\x1b["), std::string::npos) << "no live board at " << columns;
    Screen s(columns);
    s.feed(r.output);
    for (const std::string& w : s.wrapped) {
      // Dated lines may wrap (they scroll away); board rows must never.
      EXPECT_EQ(w.find(" KB/s"), std::string::npos) << columns << ": " << w;
      EXPECT_EQ(w.find("%  "), std::string::npos) << columns << ": " << w;
    }
    for (const std::string& l : s.lines) {
      EXPECT_EQ(l.find(" waiting, "), std::string::npos) << "stale board row: " << l;
      EXPECT_EQ(l.find("%  "), std::string::npos) << "stale progress row: " << l;
    }
    std::string text;
    for (const std::string& l : s.lines) text += l + "\n";
    EXPECT_NE(text.find("Total: 2 camera(s), 4 new recording(s)"), std::string::npos) << text;
    if (columns == 80) {
      EXPECT_NE(text.find("][DEBUG]"), std::string::npos) << text;
    }
  }
}

TEST_F(Terminal, DumbTerminalGetsPlainLines) {
  add_cameras(95);
  std::vector<std::string> env = env_;
  env.push_back("TERM=dumb");
  PtyRun r = run_on_pty({"--headless", "--once"}, env, 80);
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(r.output.find('\x1b'), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("50%"), std::string::npos) << r.output;  // progress as lines
}

TEST_F(Terminal, ServiceUnderTheJournalGetsPlainLines) {
  add_cameras(97);
  std::vector<std::string> env = env_;
  env.push_back("JOURNAL_STREAM=self");
  PtyRun r = run_on_pty({"--headless", "--once"}, env, 80);
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(r.output.find('\x1b'), std::string::npos) << r.output;
}

TEST_F(Terminal, PasswordPromptDoesNotEcho) {
  PtyRun r = run_on_pty({"cameras", "add-local", "7", "127.0.2.70"}, env_, 80, "Password",
                        "hidden-pw\n");
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("Password of camera 7"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("hidden-pw"), std::string::npos) << r.output;
  const std::string file =
      test::read_all(data_.path().toStdString() + "/OV/data/RecordAutoSynchronizationInfos.dat");
  ASSERT_EQ(file.size(), 147u);
  EXPECT_EQ(std::string(file.c_str() + 9), "hidden-pw");
}

}  // namespace
}  // namespace velmora
