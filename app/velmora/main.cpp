// velmora: keeps a local copy of the recordings on the configured cameras.
// With no arguments it opens its desktop window; it also runs headless with a
// console display and edits the camera list; --demo hands over to the demo
// program beside this one.
#include <QApplication>
#include <QCoreApplication>

#include <csignal>
#include <memory>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "modes.h"
#include "window_mode.h"

namespace velmora {

namespace {

void usage(std::FILE* f) {
  std::fprintf(f,
      "Usage:\n"
      "  velmora\n"
      "      Open the desktop window (needs a display; otherwise use --headless).\n"
      "  velmora --headless [--now] [--verbose]\n"
      "      Run the synchroniser without a window: every configured camera is\n"
      "      synchronised at the automatic interval of the settings, failed\n"
      "      cameras are retried every 60 s. --now also starts all cameras at\n"
      "      once. Ctrl+C (or SIGTERM) stops all cameras and exits.\n"
      "  velmora --headless --once [--verbose]\n"
      "      Synchronise every configured camera now and exit when each has\n"
      "      ended its run; one outcome line per camera. Exit status 0 only\n"
      "      when every camera completed.\n"
      "  velmora cameras list\n"
      "  velmora cameras discover [--seconds N]\n"
      "      List the cameras heard on the local network within N seconds\n"
      "      (default 5), marking those already in the camera list.\n"
      "  velmora cameras add-local <id> [<ipv4>] <password>\n"
      "      Without an address, the camera is looked for on the local network.\n"
      "  velmora cameras add-remote <id> <server ipv4> <user> <password> <serial>\n"
      "  velmora cameras remove <id>\n"
      "      Show or edit the camera list. A local camera's password has at most\n"
      "      15 bytes; a remote camera is reached through the video server\n"
      "      (port 1701) with the account's user (at most 49 bytes), password\n"
      "      (19) and main camera serial number (31).\n"
      "  velmora settings [interval <0-8> | concurrency <1-5> | pacing [ms]]\n"
      "      Show the settings, or set the automatic interval (0 off, 1 10 min,\n"
      "      2 30 min, 3 1 h, 4 2 h, 5 4 h, 6 12 h, 7 1 day, 8 1 week), the\n"
      "      number of cameras synchronised at once, or the least wait between\n"
      "      chunk requests of a download (0-60000 ms, default 500; 0 asks for\n"
      "      the next chunk as soon as one ends). 'pacing' alone shows it.\n"
      "  velmora --demo [--cameras N] [--console] [--verbose]\n"
      "      Synchronise N (1-20, default 5) simulated cameras on 127.0.0.2...\n"
      "      and two more behind a simulated video server into a temporary\n"
      "      folder, and check every file byte for byte. With a display the\n"
      "      window shows the run (close it to get the summary); --console\n"
      "      keeps the console board.\n"
      "  velmora --help\n"
      "\n"
      "Files live under $XDG_DATA_HOME (default ~/.local/share)/OV. --verbose sends\n"
      "the camera library's log lines to standard error.\n"
      "Exit status: 0 success, 1 failure, 2 bad command line, 3 already running.\n");
}

int bad_usage(const std::string& message) {
  std::fprintf(stderr, "velmora: %s\n\n", message.c_str());
  usage(stderr);
  return kExitUsage;
}

}  // namespace

}  // namespace velmora

int main(int argc, char** argv) {
  using namespace velmora;
  // A file-size limit must fail the write like a full disk (the recording
  // is skipped, its partial file stays valid), not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  bool console_demo = false, demo_arg = false;
  for (const std::string& a : args) {
    console_demo = console_demo || a == "--console";
    demo_arg = demo_arg || a == "--demo";
  }
  const bool wants_window = args.empty() || (demo_arg && !console_demo);
  std::unique_ptr<QCoreApplication> app;
  if (wants_window && ui::display_available()) {
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }

  if (args.empty()) {
    if (!ui::display_available()) {
      std::fprintf(stderr,
                   "velmora: no display to open the window on; use --headless "
                   "(see --help).\n");
      return kExitUsage;
    }
    return run_window();
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    usage(stdout);
    return kExitOk;
  }
  if (args[0] == "cameras") {
    return run_cameras_command(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (args[0] == "settings") {
    return run_settings_command(std::vector<std::string>(args.begin() + 1, args.end()));
  }

  bool headless = false, demo = false;
  HeadlessOptions h;
  DemoOptions d;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--headless") {
      headless = true;
    } else if (a == "--once") {
      h.once = true;
    } else if (a == "--now") {
      h.now = true;
    } else if (a == "--verbose") {
      h.verbose = d.verbose = true;
    } else if (a == "--demo") {
      demo = true;
    } else if (a == "--console") {
      console_demo = true;
    } else if (a == "--cameras") {
      if (i + 1 >= args.size()) return bad_usage("--cameras needs a number");
      const std::string& n = args[++i];
      char* end = nullptr;
      long v = std::strtol(n.c_str(), &end, 10);
      if (n.empty() || *end != '\0' || v < 1 || v > 20)
        return bad_usage("--cameras takes a number from 1 to 20, not '" + n + "'");
      d.cameras = static_cast<int>(v);
    } else if (a == "--help" || a == "-h") {
      usage(stdout);
      return kExitOk;
    } else {
      return bad_usage("unknown argument '" + a + "'");
    }
  }
  if (headless && demo) return bad_usage("--headless and --demo are separate modes");
  if (demo) {
    if (h.once || h.now) return bad_usage("--once and --now belong to --headless");
    d.window = wants_window && ui::display_available();
    return start_demo(d);
  }
  if (console_demo) return bad_usage("--console belongs to --demo");
  if (headless) {
    if (d.cameras != DemoOptions{}.cameras) return bad_usage("--cameras belongs to --demo");
    if (h.once && h.now) return bad_usage("--once already starts every camera now");
    return run_headless(h);
  }
  return bad_usage("choose a mode: --headless, --demo, cameras or settings");
}
