// The velmora program's command line: with no arguments the desktop window;
// otherwise headless mode with a console display, the camera list, settings,
// sync and status commands, or --demo, which hands over to the demo program
// beside this one.
#include <QApplication>
#include <QCoreApplication>

#include <csignal>
#include <memory>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "help.h"
#include "modes.h"
#include "translation.h"
#include "window_mode.h"

namespace velmora {

namespace {

int bad_usage(const QString& message, const char* topic = "") {
  std::fprintf(stderr, "velmora: %s\n", qUtf8Printable(message));
  std::fprintf(stderr, "%s\n",
               qUtf8Printable(QCoreApplication::translate("Console", "Try 'velmora %1--help'.")
                                  .arg(QString::fromUtf8(topic))));
  return kExitUsage;
}

}  // namespace

int run_program(int& argc, char** argv) {
  // A file-size limit must fail the write like a full disk (the recording
  // is skipped, its partial file stays valid), not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  bool console_demo = false, demo_arg = false;
  for (const std::string& a : args) {
    console_demo = console_demo || a == "--console";
    demo_arg = demo_arg || a == "--demo";
  }
  // "--verbose" alone is the window too, with the library's lines shown.
  const bool window_mode = args.empty() || (args.size() == 1 && args[0] == "--verbose");
  const bool wants_window = window_mode || (demo_arg && !console_demo);
  std::unique_ptr<QCoreApplication> app;
  if (wants_window && ui::display_available()) {
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  // Window and console alike speak the user's language.
  install_translation();

  if (window_mode) {
    if (!ui::display_available()) {
      std::fprintf(stderr, "velmora: %s\n",
                   qUtf8Printable(QCoreApplication::translate(
                       "Console", "no display to open the window on; use --headless (see --help).")));
      return kExitUsage;
    }
    return run_window(!args.empty());
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(help_text(args[0] == "help" && args.size() > 1 ? args[1] : "").c_str(), stdout);
    return kExitOk;
  }
  if (args[0] == "--version") {
    std::printf("%s\n", version_text().c_str());
    return kExitOk;
  }
  if (args[0] == "cameras") return run_cameras_command(rest);
  if (args[0] == "settings") return run_settings_command(rest);
  if (args[0] == "sync") return run_sync_command(rest);
  if (args[0] == "status") return run_status_command(rest);

  bool headless = false, demo = false, help = false;
  HeadlessOptions h;
  DemoOptions d;
  bool cameras_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--headless") {
      headless = true;
    } else if (a == "--once") {
      h.once = true;
    } else if (a == "--now") {
      h.now = true;
    } else if (a == "--json") {
      h.json = true;
    } else if (a == "--web") {
      if (i + 1 >= args.size()) return bad_usage(QCoreApplication::translate("Console", "--web needs [ADDRESS:]PORT or off"), "--headless ");
      h.web = args[++i];
    } else if (a == "--verbose") {
      h.verbose = d.verbose = true;
    } else if (a == "--demo") {
      demo = true;
    } else if (a == "--console") {
      console_demo = true;
    } else if (a == "--keep") {
      d.keep = true;
    } else if (a == "--cameras") {
      if (i + 1 >= args.size()) return bad_usage(QCoreApplication::translate("Console", "--cameras needs a number"), "--demo ");
      const std::string& n = args[++i];
      char* end = nullptr;
      long v = std::strtol(n.c_str(), &end, 10);
      if (n.empty() || *end != '\0' || v < 1 || v > 20)
        return bad_usage(QCoreApplication::translate("Console",
                                                     "--cameras takes a number from 1 to 20, not '%1'")
                             .arg(QString::fromStdString(n)),
                         "--demo ");
      d.cameras = static_cast<int>(v);
      cameras_given = true;
    } else if (a == "--help" || a == "-h") {
      help = true;
    } else if (a == "--version") {
      std::printf("%s\n", version_text().c_str());
      return kExitOk;
    } else {
      return bad_usage(QCoreApplication::translate("Console", "unknown argument '%1'")
                           .arg(QString::fromStdString(a)));
    }
  }
  if (help) {
    std::fputs(help_text(headless && !demo ? "headless" : demo && !headless ? "demo" : "").c_str(),
               stdout);
    return kExitOk;
  }
  if (headless && demo) return bad_usage(QCoreApplication::translate("Console", "--headless and --demo are separate modes"));
  if (demo) {
    if (h.once || h.now || h.json)
      return bad_usage(QCoreApplication::translate(
                           "Console", "--once, --now and --json belong to --headless"),
                       "--demo ");
    d.window = wants_window && ui::display_available();
    return start_demo(d);
  }
  if (console_demo) return bad_usage(QCoreApplication::translate("Console", "--console belongs to --demo"));
  if (headless) {
    if (cameras_given) return bad_usage(QCoreApplication::translate("Console", "--cameras belongs to --demo"), "--headless ");
    if (d.keep) return bad_usage(QCoreApplication::translate("Console", "--keep belongs to --demo"), "--headless ");
    if (h.once && !h.web.empty()) return bad_usage(QCoreApplication::translate("Console", "--web belongs to the service, not to --once"), "--headless ");
    if (h.once && h.now) return bad_usage(QCoreApplication::translate("Console", "--once already starts every camera now"), "--headless ");
    if (h.json && !h.once)
      return bad_usage(QCoreApplication::translate(
                           "Console", "--json reports a single run: use it with --once"),
                       "--headless ");
    return run_headless(h);
  }
  if (h.json)
    return bad_usage(QCoreApplication::translate(
        "Console", "--json belongs to --headless --once, cameras list and status"));
  return bad_usage(QCoreApplication::translate(
      "Console", "choose a mode: --headless, --demo, cameras, settings, sync or status"));
}

}  // namespace velmora
