// velmora: keeps a local copy of the recordings on the configured cameras.
// This build runs without a window: the engine with a console display and
// the camera list commands; --demo hands over to the demo program beside this
// one. A desktop window plugs in here as one more mode.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "modes.h"

namespace velmora {

namespace {

void usage(std::FILE* f) {
  std::fprintf(f,
      "Usage:\n"
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
      "  velmora settings [interval <0-8> | concurrency <1-5>]\n"
      "      Show the settings, or set the automatic interval (0 off, 1 10 min,\n"
      "      2 30 min, 3 1 h, 4 2 h, 5 4 h, 6 12 h, 7 1 day, 8 1 week) or the\n"
      "      number of cameras synchronised at once.\n"
      "  velmora --demo [--cameras N] [--verbose]\n"
      "      Synchronise N (1-20, default 5) simulated cameras on 127.0.0.2...\n"
      "      and two more behind a simulated video server into a temporary\n"
      "      folder, and check every file byte for byte.\n"
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
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);

  if (args.empty()) {
    std::fprintf(stderr,
                 "velmora: this build has no desktop window yet; use --headless "
                 "(see --help).\n");
    return kExitUsage;
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
    return start_demo(d);
  }
  if (headless) {
    if (d.cameras != DemoOptions{}.cameras) return bad_usage("--cameras belongs to --demo");
    if (h.once && h.now) return bad_usage("--once already starts every camera now");
    return run_headless(h);
  }
  return bad_usage("choose a mode: --headless, --demo, cameras or settings");
}
