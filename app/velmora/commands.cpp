#include "commands.h"

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app_paths.h"
#include "console.h"
#include "control_channel.h"
#include "help.h"
#include "instance_lock.h"
#include "modes.h"

namespace velmora {

Reply run_cameras_change(const std::vector<std::string>& words, Profile& profile);
Reply run_settings_change(const std::vector<std::string>& words, Profile& profile);

Reply run_change(const std::vector<std::string>& words, Profile& profile) {
  const std::string what = words.empty() ? "" : words[0];
  if (what == "cameras" && words.size() > 1 &&
      (words[1] == "add-local" || words[1] == "add-remote" || words[1] == "remove" ||
       words[1] == "set")) {
    return run_cameras_change(words, profile);
  }
  if (what == "settings" && words.size() > 1) return run_settings_change(words, profile);
  Reply r;
  if (what == "sync" && words.size() == 1) {
    std::string error;
    const int started = profile.start_all(error);
    if (started < 0) {
      r.code = kExitFailed;
      r.err = "velmora sync: " + error + "\n";
    } else {
      r.out = QCoreApplication::translate("Console", "Started a run of %n camera(s).", nullptr,
                                          started)
                  .toStdString() +
              "\n";
    }
    return r;
  }
  r.code = kExitUsage;
  r.err = "velmora: " +
          QCoreApplication::translate("Console", "not a change this program makes").toStdString() +
          "\n";
  return r;
}

int print_reply(const Reply& reply) {
  // Console::out() is standard output unless discovery took it over to keep
  // the library's lines off our own.
  std::FILE* out = Console::out();
  std::fputs(reply.out.c_str(), out);
  std::fputs(reply.err.c_str(), stderr);
  std::fflush(out);
  return reply.code;
}

int deliver_change(const std::vector<std::string>& words) {
  const std::string dir = runtime_dir();
  // The lock is held only briefly by another command, and a starting
  // service takes it a moment before it listens: try both for a while.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (true) {
    if (acquire_instance_lock(false)) {
      const AppPaths paths = AppPaths::from_environment();
      paths.create_folders();
      FileProfile profile(paths);
      return print_reply(run_change(words, profile));
    }
    Reply reply;
    if (send_command(dir, words, reply, 10000)) return print_reply(reply);
    if (std::chrono::steady_clock::now() > end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const long pid = InstanceLock::holder_pid(dir);
  const QString text =
      pid > 0 ? QCoreApplication::translate("Console",
                                            "Velmora (PID %1) holds the profile but does not "
                                            "answer on its control socket;\n  nothing was "
                                            "changed. Try again, or stop it (kill %1) and run the "
                                            "command again.")
                    .arg(pid)
              : QCoreApplication::translate("Console",
                                            "another Velmora holds the profile but does not "
                                            "answer on its control socket;\n  nothing was "
                                            "changed. Try again, or stop it and run the command "
                                            "again.");
  std::fprintf(stderr, "velmora: %s\n", qUtf8Printable(text));
  return kExitAlreadyRunning;
}

int run_sync_command(const std::vector<std::string>& args) {
  if (asks_for_help(args)) {
    std::fputs(help_text("sync").c_str(), stdout);
    return kExitOk;
  }
  const bool wait = args.size() == 1 && args[0] == "--wait";
  if (!args.empty() && !wait) {
    std::fprintf(stderr, "velmora sync: %s\nusage: velmora sync [--wait]\n",
                 qUtf8Printable(QCoreApplication::translate("Console", "unknown argument '%1'")
                                    .arg(QString::fromStdString(args[0]))));
    return kExitUsage;
  }
  Reply reply;
  const WaitOutcome sent = wait ? send_and_wait(runtime_dir(), {"sync", "--wait"}, reply)
                                : (send_command(runtime_dir(), {"sync"}, reply, 10000)
                                       ? WaitOutcome::kReplied
                                       : WaitOutcome::kNoInstance);
  if (sent == WaitOutcome::kReplied) return print_reply(reply);
  if (sent == WaitOutcome::kLost) {
    std::fprintf(stderr, "velmora sync: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console",
                     "the running Velmora ended (or dropped the connection) before the run "
                     "finished; 'velmora status' shows how far each camera got")));
    return kExitFailed;
  }
  std::fprintf(stderr, "velmora sync: %s\n",
               qUtf8Printable(QCoreApplication::translate(
                   "Console",
                   "no Velmora service is running; 'velmora --headless --once' synchronises every "
                   "camera now")));
  return kExitFailed;
}

}  // namespace velmora
