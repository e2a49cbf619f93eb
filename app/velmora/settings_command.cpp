// "velmora settings ...": shows the settings and changes those a user sets
// (interval, concurrency, download pacing, free space to keep, days to keep
// recordings, notifications) for a program without a window.
#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app_paths.h"
#include "cli_input.h"
#include "commands.h"
#include "console.h"
#include "download_folder.h"
#include "download_rate.h"
#include "help.h"
#include "modes.h"
#include "printable_text.h"
#include "run_notifier.h"
#include "status_texts.h"
#include "system_settings.h"
#include "web_settings_command.h"
#include "window_messages.h"

namespace velmora {

namespace {

Reply settings_usage(const QString& text) {
  Reply r;
  r.code = kExitUsage;
  r.err = "velmora settings: " + text.toStdString() + "\n" +
          QCoreApplication::translate("Console", "usage: %1")
              .arg("velmora settings [interval off|10m|30m|1h|2h|4h|12h|1d|1w] "
                   "[concurrency 1-5] [pacing 0-60000] [rate BYTES|off] [min-free SIZE] [keep-days N] "
                   "[download-folder PATH|default] [notifications on|off] "
                   "[notify-command 'PROGRAM ARGS'|off]")
              .toStdString() +
          "\n";
  return r;
}

std::string pacing_text(int ms) {
  const QString wait =
      QCoreApplication::translate("Console", "%1 ms between 128 KiB chunk requests").arg(ms) +
      QCoreApplication::translate("Console", "; ");
  if (ms <= 0) return (wait + QCoreApplication::translate("Console", "no speed limit")).toStdString();
  const std::int64_t rate = pacing_rate(ms);
  return (wait + QCoreApplication::translate("Console", "at most %1 bytes/s (%2) per camera")
                     .arg(rate)
                     .arg(QString::fromStdString(rate_text(rate))))
      .toStdString();
}

std::string concurrency_text(int n) {
  return QCoreApplication::translate("Console", "%1 camera(s) at a time").arg(n).toStdString();
}

std::string min_free_line(std::int64_t bytes) {
  if (bytes == 0)
    return QCoreApplication::translate("Console", "min-free      off (downloads may fill the disk)")
               .toStdString() +
           "\n";
  return QCoreApplication::translate("Console",
                                     "min-free      %1: a camera stops with \"disk full\" below it")
             .arg(QString::fromStdString(byte_size_text(bytes)))
             .toStdString() +
         "\n";
}

std::string keep_days_line(std::int32_t days) {
  if (days == 0)
    return QCoreApplication::translate("Console", "keep-days     0: recordings are kept for ever")
               .toStdString() +
           "\n";
  return QCoreApplication::translate(
             "Console", "keep-days     %1: older recordings are removed after a camera's run")
             .arg(days)
             .toStdString() +
         "\n";
}

std::string notify_lines(const ProfileSettings& s) {
  const QString on = QCoreApplication::translate("Console", "on");
  const QString off = QCoreApplication::translate("Console", "off");
  return field_line(QCoreApplication::translate("Console", "notifications"),
                    (s.notify_desktop ? on : off).toStdString()) +
         field_line(QCoreApplication::translate("Console", "notify-command"),
                    s.notify_command.empty() ? off.toStdString()
                                             : printable_text(s.notify_command));
}

// Empty when `command` names a program that can be started: found on PATH
// or given by its path, and executable.
QString notify_command_problem(const std::string& command) {
  for (unsigned char c : command)
    if (c < 0x20 || c == 0x7f)
      return QCoreApplication::translate("Console", "notify-command takes one line of text");
  const QStringList words = RunNotifier::split_command(QString::fromStdString(command));
  if (words.isEmpty())
    return QCoreApplication::translate("Console", "notify-command needs a program to run");
  const QString& program = words.front();
  const QString found = program.contains('/') ? program : QStandardPaths::findExecutable(program);
  const QFileInfo info(found);
  if (found.isEmpty() || !info.isFile() || !info.isExecutable())
    return QCoreApplication::translate("Console",
                                       "notify-command: '%1' is not a program that can be run")
        .arg(QString::fromStdString(printable_text(program.toStdString())));
  return {};
}

// Applies "name value" pairs to `s`; an error text when one is wrong.
QString parse_changes(const std::vector<std::string>& words, std::size_t from,
                      ProfileSettings& s) {
  if ((words.size() - from) % 2 != 0)
    return QCoreApplication::translate("Console", "'%1' needs a value")
        .arg(QString::fromStdString(words.back()));
  for (std::size_t i = from; i + 1 < words.size(); i += 2) {
    const std::string& name = words[i];
    const std::string& value = words[i + 1];
    const QString quoted = QString::fromStdString(value);
    if (name == "interval") {
      if (!parse_interval(value, s.interval_code))
        return QCoreApplication::translate("Console",
                                           "interval takes off, 10m, 30m, 1h, 2h, 4h, 12h, 1d "
                                           "or 1w (or a code 0 to 8), not '%1'")
            .arg(quoted);
    } else if (name == "concurrency") {
      if (value.size() != 1 || value[0] < '1' || value[0] > '5')
        return QCoreApplication::translate("Console",
                                           "concurrency takes a number from 1 to 5, not '%1'")
            .arg(quoted);
      s.concurrency = value[0] - '0';
    } else if (name == "pacing") {
      char* end = nullptr;
      errno = 0;
      const long ms = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || ms < 0 ||
          ms > SystemSettings::kMaxPacingMs)
        return QCoreApplication::translate("Console",
                                           "pacing takes milliseconds from 0 to %1, not '%2'")
            .arg(SystemSettings::kMaxPacingMs)
            .arg(quoted);
      s.pacing_ms = static_cast<std::int32_t>(ms);
    } else if (name == "rate") {
      std::int64_t rate = 0;
      if (value == "off") {
        s.pacing_ms = 0;
      } else if (!parse_byte_size(value, std::int64_t{1} << 40, rate) ||
                 !pacing_for_rate(rate, s.pacing_ms)) {
        return QCoreApplication::translate(
                   "Console",
                   "rate takes bytes per second per camera, with K, M or G for binary units, "
                   "from %1 up (2M, 500K), or off, not '%2'")
            .arg((kPacedChunkBytes * 1000 + SystemSettings::kMaxPacingMs - 1) /
                 SystemSettings::kMaxPacingMs)
            .arg(quoted);
      }
    } else if (name == "min-free") {
      if (!parse_byte_size(value, SystemSettings::kMaxMinFreeBytes, s.min_free_bytes))
        return QCoreApplication::translate(
                   "Console",
                   "min-free takes a size in bytes, with K, M, G or T for binary units (2G, "
                   "500M; 0 switches the check off), not '%1'")
            .arg(QString::fromStdString(value));
    } else if (name == "keep-days") {
      if (!parse_days(value, SystemSettings::kMaxKeepDays, s.keep_days))
        return QCoreApplication::translate(
                   "Console", "keep-days takes a whole number of days from 0 (keep for ever) to "
                              "%1, not '%2'")
            .arg(SystemSettings::kMaxKeepDays)
            .arg(QString::fromStdString(value));
    } else if (name == "download-folder") {
      if (value == "default") {
        s.download_folder.clear();
      } else if (const std::string why = check_download_folder(value); !why.empty()) {
        return QCoreApplication::translate("Console", "download-folder '%1' cannot be used: %2")
            .arg(QString::fromStdString(printable_text(value)), QString::fromStdString(why));
      } else {
        s.download_folder = normal_folder(value);
      }
    } else if (name == "notifications") {
      if (value != "on" && value != "off")
        return QCoreApplication::translate("Console", "notifications takes on or off, not '%1'")
            .arg(QString::fromStdString(printable_text(value)));
      s.notify_desktop = value == "on";
    } else if (name == "notify-command") {
      if (value == "off") {
        s.notify_command.clear();
      } else if (const QString why = notify_command_problem(value); !why.isEmpty()) {
        return why;
      } else {
        s.notify_command = value;
      }
    } else {
      return QCoreApplication::translate("Console",
                                         "unknown setting '%1' (interval, concurrency, pacing, rate, "
                                         "min-free, keep-days, download-folder, notifications, "
                                         "notify-command)")
          .arg(QString::fromStdString(name));
    }
  }
  return {};
}

QString root_source_text(RootSource source, const AppPaths& paths) {
  const QString sibling = QString::fromStdString(paths.sibling_settings_file());
  switch (source) {
    case RootSource::kOwnSetting:
      return QCoreApplication::translate("Console",
                                         "set with 'velmora settings download-folder', in %1")
          .arg(QString::fromStdString(paths.settings_file()));
    case RootSource::kSibling:
      return QCoreApplication::translate("Console", "from the camera manager's settings, %1").arg(sibling);
    case RootSource::kDefaultNoFolder:
      return QCoreApplication::translate("Console", "default: %1 names no folder").arg(sibling);
    case RootSource::kDefaultRefused:
      return QCoreApplication::translate("Console",
                                         "default: the folder %1 names is not absolute")
          .arg(sibling);
    case RootSource::kDefaultNoFile:
      break;
  }
  return QCoreApplication::translate("Console", "default: no camera manager settings at %1").arg(sibling);
}

int show() {
  const AppPaths paths = AppPaths::from_environment();
  FileProfile profile(paths);
  const ProfileSettings s = profile.settings();
  SystemSettings flags;
  std::int32_t unused = 4;
  flags.load(paths.settings_file(), unused);
  std::string root;
  flags.download_folder = s.download_folder;
  const QString source = root_source_text(resolve_download_root(flags, paths, root), paths);
  std::string text = field_line(QCoreApplication::translate("Console", "interval"), interval_description(s.interval_code)) +
                     field_line(QCoreApplication::translate("Console", "concurrency"), concurrency_text(s.concurrency)) +
                     field_line(QCoreApplication::translate("Console", "auto start"), (flags.auto_start ? QCoreApplication::translate("Console", "on") : QCoreApplication::translate("Console", "off")).toStdString()) +
                     field_line(QCoreApplication::translate("Console", "pacing"), pacing_text(s.pacing_ms)) +
                     min_free_line(s.min_free_bytes) + keep_days_line(s.keep_days) +
                     field_line(QCoreApplication::translate("Console", "downloads"), printable_text(root)) +
                     field_line("", "(" + source.toStdString() + ")") + notify_lines(s) +
                     field_line(QCoreApplication::translate("Console", "settings file"), paths.settings_file()) +
                     web_settings_lines(paths);
  std::fputs(text.c_str(), stdout);
  return kExitOk;
}

}  // namespace

std::string interval_description(std::int32_t code) {
  return QCoreApplication::translate("Console", "%1 (%2, code %3)")
      .arg(interval_label(code), QString::fromLatin1(interval_name(code)))
      .arg(code)
      .toStdString();
}

Reply run_settings_change(const std::vector<std::string>& words, Profile& profile) {
  ProfileSettings s = profile.settings();
  const QString error = parse_changes(words, 1, s);
  if (!error.isEmpty()) return settings_usage(error);
  Reply r;
  std::string why;
  if (!profile.change_settings(s, why)) {
    r.code = kExitFailed;
    r.err = "velmora settings: " + why + "\n";
    return r;
  }
  r.out = field_line(QCoreApplication::translate("Console", "interval"), interval_description(s.interval_code)) +
          field_line(QCoreApplication::translate("Console", "concurrency"), concurrency_text(s.concurrency)) +
          field_line(QCoreApplication::translate("Console", "pacing"), pacing_text(s.pacing_ms)) +
          min_free_line(s.min_free_bytes) + keep_days_line(s.keep_days);
  if (!s.download_folder.empty())
    r.out += field_line(QCoreApplication::translate("Console", "downloads"),
                        printable_text(s.download_folder));
  r.out += notify_lines(s);
  return r;
}

int run_settings_command(const std::vector<std::string>& args) {
  if (asks_for_help(args)) {
    std::fputs(help_text("settings").c_str(), stdout);
    return kExitOk;
  }
  if (args.empty()) return show();
  // The web page's address and password: read by the service at its start.
  if (args[0] == "web" || args[0] == "web-password")
    return run_web_settings(AppPaths::from_environment(), args,
                            [](bool from_stdin, const std::string& prompt, std::string& password) {
                              return from_stdin ? read_password_line(password)
                                                : ::isatty(STDIN_FILENO) &&
                                                      prompt_password(prompt, password);
                            });
  if (args.size() == 1 && (args[0] == "pacing" || args[0] == "rate")) {
    std::fputs(field_line(QCoreApplication::translate("Console", "pacing"),
                          pacing_text(FileProfile(AppPaths::from_environment()).settings().pacing_ms))
                   .c_str(),
               stdout);
    return kExitOk;
  }
  if (args.size() == 1 && (args[0] == "notifications" || args[0] == "notify-command")) {
    std::fputs(notify_lines(FileProfile(AppPaths::from_environment()).settings()).c_str(), stdout);
    return kExitOk;
  }
  if (args.size() == 1 && (args[0] == "min-free" || args[0] == "keep-days")) {
    const ProfileSettings s = FileProfile(AppPaths::from_environment()).settings();
    std::fputs((args[0] == "min-free" ? min_free_line(s.min_free_bytes)
                                      : keep_days_line(s.keep_days))
                   .c_str(),
               stdout);
    return kExitOk;
  }
  // Checked here too, so that a typo never waits for a running instance.
  ProfileSettings probe;
  const QString error = parse_changes(args, 0, probe);
  if (!error.isEmpty()) return print_reply(settings_usage(error));
  std::vector<std::string> words = {"settings"};
  words.insert(words.end(), args.begin(), args.end());
  return deliver_change(words);
}

}  // namespace velmora
