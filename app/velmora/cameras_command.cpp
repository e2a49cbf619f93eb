// "velmora cameras ...": the camera list, read from its file and changed
// with the same rules as the add and remove commands of the window, plus
// the checks a command line needs (explicit replacement, duplicate
// addresses, addresses no camera can have).
#include <QCoreApplication>
#include <QJsonObject>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "alias_store.h"
#include "printable_text.h"
#include "download_folder.h"
#include "download_layout.h"
#include "console.h"
#include "app_paths.h"
#include "camera_store.h"
#include "cli_input.h"
#include "commands.h"
#include "discover_command.h"
#include "help.h"
#include "run_report.h"
#include "modes.h"
#include "status_texts.h"
#include "terminal.h"

namespace velmora {

namespace {

struct AddOptions {
  bool replace = false;
  bool force = false;
  bool password_stdin = false;
  bool delete_after_copy = false;
  std::vector<std::string> positional;
};

// Splits options from positional words; false (with a message) on an
// unknown option.
bool split_options(const std::vector<std::string>& args, std::size_t from, AddOptions& o,
                   std::string& error) {
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--replace") {
      o.replace = true;
    } else if (a == "--force") {
      o.force = true;
    } else if (a == "--password-stdin") {
      o.password_stdin = true;
    } else if (a == "--delete-after-copy") {
      o.delete_after_copy = true;
    } else if (a == "--") {
      o.positional.insert(o.positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
      error = QCoreApplication::translate("Console", "unknown option '%1'")
                  .arg(QString::fromStdString(a))
                  .toStdString();
      return false;
    } else {
      o.positional.push_back(a);
    }
  }
  return true;
}

// "serial S via server-address"
std::string remote_where(const CameraRecord& r) {
  return QCoreApplication::translate("Console", "%1 via %2")
      .arg(QString::fromStdString(serial_of(r)), QString::fromStdString(field_text(r.server_address)))
      .toStdString();
}

std::string where_text(const CameraRecord& r) {
  return (kind_label(r.is_local) + QCoreApplication::translate("Console", ", ")).toStdString() +
         (r.is_local ? address_text(r)
                     : QCoreApplication::translate("Console", "serial %1")
                           .arg(QString::fromStdString(remote_where(r)))
                           .toStdString());
}

// Pads a UTF-8 text with spaces to `columns` terminal columns.
std::string padded(const std::string& text, int columns) {
  return text + std::string(static_cast<std::size_t>(std::max(0, columns - display_width(text))), ' ');
}

Reply refuse(int code, const std::string& text) {
  Reply r;
  r.code = code;
  r.err = "velmora cameras: " + text + "\n";
  return r;
}

const char* usage_of(const std::string& cmd) {
  if (cmd == "add-local")
    return "add-local [--replace] [--force] [--delete-after-copy] <id> <ipv4> [<password>]";
  if (cmd == "add-remote")
    return "add-remote [--replace] [--force] [--delete-after-copy] <id> <server ipv4> <user> "
           "[<password>] <serial>";
  if (cmd == "remove") return "remove <id>";
  if (cmd == "set") return "set <id> [delete-after-copy on|off]";
  return "list [--json]";
}

Reply refuse(int code, const QString& text) { return refuse(code, text.toStdString()); }

Reply usage_error(const std::string& cmd, const std::string& text) {
  Reply r = refuse(kExitUsage, text);
  r.err += QCoreApplication::translate("Console", "usage: %1")
               .arg("velmora cameras " + QString::fromLatin1(usage_of(cmd)))
               .toStdString() +
           "\n";
  return r;
}

Reply usage_error(const std::string& cmd, const QString& text) {
  return usage_error(cmd, text.toStdString());
}

QString not_an_id(const std::string& word) {
  return QCoreApplication::translate("Console",
                                     "'%1' is not a camera id (a 32-bit number, signed or unsigned)")
      .arg(QString::fromStdString(word));
}

int list(bool json) {
  const AppPaths paths = AppPaths::from_environment();
  CameraTable table;
  load_camera_file(paths.camera_list_file(), table);
  AliasTable aliases;
  load_alias_file(paths.alias_file(), aliases);
  if (json) {
    // One line per camera; no cameras, no lines.
    for (const auto& [id, r] : table) {
      auto a = aliases.find(id);
      QJsonObject o = camera_identity(r, a == aliases.end() ? std::string() : a->second);
      o["type"] = "camera";
      put_json_line(stdout, o);
    }
    return kExitOk;
  }
  if (table.empty()) {
    std::printf("%s\n", qUtf8Printable(QCoreApplication::translate("Console",
                                                                    "No cameras configured (%1).")
                                             .arg(QString::fromStdString(paths.camera_list_file()))));
    return kExitOk;
  }
  auto row = [](const std::string& id, const std::string& kind, const std::string& where,
                const std::string& alias) {
    std::printf("%s %s %s %s\n", padded(id, 12).c_str(), padded(kind, 7).c_str(),
                padded(where, 28).c_str(), alias.c_str());
  };
  row(QCoreApplication::translate("Console", "ID").toStdString(),
      QCoreApplication::translate("Console", "KIND").toStdString(),
      QCoreApplication::translate("Console", "ADDRESS").toStdString(),
      QCoreApplication::translate("Console", "ALIAS").toStdString());
  for (const auto& [id, r] : table) {
    auto a = aliases.find(id);
    row(std::to_string(id), kind_label(r.is_local).toStdString(),
        r.is_local ? address_text(r) : remote_where(r),
        a == aliases.end() ? "" : printable_text(a->second));
  }
  return kExitOk;
}

// The checks of an add against the cameras already configured.
Reply check_add(const CameraRecord& record, const CameraTable& table, const AddOptions& o) {
  const std::int32_t id = record.camera_id;
  auto same = table.find(id);
  if (same != table.end() && !o.replace) {
    return refuse(kExitUsage,
                  QCoreApplication::translate("Console",
                                              "camera %1 already exists (%2); add --replace to "
                                              "replace it")
                      .arg(id)
                      .arg(QString::fromStdString(where_text(same->second))));
  }
  if (o.force) return {};
  for (const auto& [other_id, other] : table) {
    if (other_id == id) continue;
    if (record.is_local && other.is_local &&
        std::equal(std::begin(record.address), std::end(record.address), other.address)) {
      return refuse(kExitUsage,
                    QCoreApplication::translate("Console",
                                                "camera %1 already has the address %2; add "
                                                "--force to add it anyway")
                        .arg(other_id)
                        .arg(QString::fromStdString(address_text(record))));
    }
    // One server login serves every camera of a serial, so two cameras of a
    // serial must name the same server and account.
    if (!record.is_local && !other.is_local && serial_of(record) == serial_of(other) &&
        (field_text(record.server_address) != field_text(other.server_address) ||
         field_text(record.user) != field_text(other.user) ||
         field_text(record.server_password) != field_text(other.server_password))) {
      return refuse(kExitUsage,
                    QCoreApplication::translate("Console",
                                                "camera %1 has the serial %2 with another server "
                                                "or account; every camera of a serial shares one "
                                                "login (add --force to add it anyway)")
                        .arg(other_id)
                        .arg(QString::fromStdString(serial_of(record))));
    }
  }
  if (record.is_local && looks_like_broadcast(record.address)) {
    return refuse(kExitUsage,
                  QCoreApplication::translate("Console",
                                              "%1 looks like a broadcast address; add --force if "
                                              "it really is the camera's")
                      .arg(QString::fromStdString(address_text(record))));
  }
  return {};
}

std::string options_text(std::int32_t id, const CameraOptions& o) {
  return QCoreApplication::translate("Console", "camera %1: delete-after-copy %2")
             .arg(id)
             .arg(QLatin1String(o.delete_after_copy ? "on" : "off"))
             .toStdString() +
         "\n";
}

// "set <id> [name value]...": an error text when a word is wrong.
std::string parse_option_changes(const std::vector<std::string>& p, CameraOptions& o) {
  if ((p.size() - 1) % 2 != 0)
    return QCoreApplication::translate("Console", "'%1' needs a value")
        .arg(QString::fromStdString(p.back()))
        .toStdString();
  for (std::size_t i = 1; i + 1 < p.size(); i += 2) {
    if (p[i] != "delete-after-copy")
      return QCoreApplication::translate("Console",
                                         "unknown camera option '%1' (delete-after-copy)")
          .arg(QString::fromStdString(p[i]))
          .toStdString();
    if (p[i + 1] != "on" && p[i + 1] != "off")
      return QCoreApplication::translate("Console", "delete-after-copy takes on or off, not '%1'")
          .arg(QString::fromStdString(p[i + 1]))
          .toStdString();
    o.delete_after_copy = p[i + 1] == "on";
  }
  return {};
}

Reply set_options(std::int32_t id, const std::vector<std::string>& p, Profile& profile) {
  if (!profile.cameras().count(id)) return refuse(kExitFailed, "no camera with id " + p[0]);
  CameraOptions o = profile.camera_options(id);
  const std::string error = parse_option_changes(p, o);
  if (!error.empty()) return usage_error("set", error);
  std::string why;
  if (p.size() > 1 && !profile.set_camera_options(id, o, why)) return refuse(kExitFailed, why);
  Reply r;
  r.out = options_text(id, o);
  return r;
}

}  // namespace

Reply run_cameras_change(const std::vector<std::string>& words, Profile& profile) {
  // words: "cameras", command, options and arguments.
  const std::string cmd = words.size() > 1 ? words[1] : "";
  AddOptions o;
  std::string error;
  if (!split_options(words, 2, o, error)) return usage_error(cmd, error);
  const auto& p = o.positional;
  std::int32_t id = 0;
  if (p.empty() || !parse_camera_id(p[0], id)) {
    return usage_error(cmd, not_an_id(p.empty() ? std::string() : p[0]));
  }
  if (cmd == "set") return set_options(id, p, profile);
  if (cmd == "remove") {
    if (p.size() != 1)
      return usage_error(cmd, QCoreApplication::translate("Console", "remove takes one camera id"));
    if (!profile.cameras().count(id))
      return refuse(kExitFailed, QCoreApplication::translate("Console", "no camera with id %1")
                                     .arg(QString::fromStdString(p[0])));
    if (!profile.remove_camera(id, error)) return refuse(kExitFailed, error);
    Reply r;
    r.out = QCoreApplication::translate("Console", "Removed camera %1").arg(id).toStdString() + "\n";
    // The camera is stopped now; what it left half-fetched can never be
    // resumed. Its finished recordings stay.
    std::uint64_t bytes = 0;
    const std::string root = profile.download_root();
    if (const int n = remove_partial_files(root, id, bytes); n > 0)
      r.out += QCoreApplication::translate("Console",
                                           "Deleted %n partial file(s) (%1) of camera %2; its "
                                           "finished recordings stay in %3",
                                           nullptr, n)
                   .arg(QString::fromStdString(human_bytes(bytes)))
                   .arg(id)
                   .arg(QString::fromStdString(printable_text(camera_folder(root, id))))
                   .toStdString() +
               "\n";
    return r;
  }
  CameraRecord record{};
  const bool local = cmd == "add-local";
  if (local ? p.size() != 3 : p.size() != 5)
    return usage_error(cmd, QCoreApplication::translate("Console", "wrong number of arguments"));
  if (local ? !make_local_record(id, p[1], p[2], record, error)
            : !make_remote_record(id, p[1], p[2], p[3], p[4], record, error)) {
    return refuse(kExitUsage, error);
  }
  std::uint8_t address[4];
  parse_ipv4(p[1], address);
  const std::string unusable = unusable_address(address);
  if (!unusable.empty()) return refuse(kExitUsage, p[1] + " " + unusable);  // already translated

  const CameraTable table = profile.cameras();
  Reply r = check_add(record, table, o);
  if (r.code != 0) return r;
  const bool existed = table.count(id) != 0;
  if (!profile.put_camera(record, error)) return refuse(kExitFailed, error);
  const QString where = QString::fromStdString(p[1]);
  QString done;
  if (local) {
    done = existed ? QCoreApplication::translate("Console", "Replaced camera %1 at %2")
                   : QCoreApplication::translate("Console", "Added camera %1 at %2");
    done = done.arg(id).arg(where);
  } else {
    done = existed
               ? QCoreApplication::translate("Console", "Replaced camera %1 (serial %2 via server %3)")
               : QCoreApplication::translate("Console", "Added camera %1 (serial %2 via server %3)");
    done = done.arg(id).arg(QString::fromStdString(p[4]), where);
  }
  r.out = done.toStdString() + "\n";
  if (o.delete_after_copy) {
    // A replaced camera keeps its options unless asked otherwise.
    CameraOptions options = profile.camera_options(id);
    options.delete_after_copy = true;
    if (!profile.set_camera_options(id, options, error)) {
      r.code = kExitFailed;
      r.err = "velmora cameras: " + error + "\n";
      return r;
    }
    r.out += options_text(id, options);
  }
  return r;
}

int run_cameras_command(const std::vector<std::string>& args) {
  const std::string cmd = args.empty() ? "" : args[0];
  const bool known = cmd == "list" || cmd == "discover" || cmd == "add-local" ||
                     cmd == "add-remote" || cmd == "remove" || cmd == "set" || cmd == "test" ||
                     cmd == "recordings";
  if (!known && !cmd.empty() && cmd != "--help" && cmd != "-h") {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "unknown command '%1' (list, discover, add-local, add-remote, "
                                    "remove, set, test, recordings)")
                                    .arg(QString::fromStdString(printable_text(cmd)))));
    return kExitUsage;
  }
  if (asks_for_help(args)) {
    std::fputs(help_text(known ? "cameras " + cmd : "cameras").c_str(), stdout);
    return kExitOk;
  }
  if (cmd.empty()) {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console", "missing command (list, discover, add-local, add-remote, remove, set)")));
    return kExitUsage;
  }
  if (cmd == "test") return run_camera_test(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "recordings")
    return run_camera_recordings(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "discover")
    return run_discover_command(std::vector<std::string>(args.begin() + 1, args.end()));
  if (cmd == "list") {
    const bool json = args.size() == 2 && args[1] == "--json";
    if (args.size() != 1 && !json)
      return print_reply(usage_error(
          cmd, QCoreApplication::translate("Console", "list takes no arguments but --json")
                   .toStdString()));
    return list(json);
  }
  if (cmd != "add-local" && cmd != "add-remote" && cmd != "remove" && cmd != "set") {
    std::fprintf(stderr, "velmora cameras: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "unknown command '%1' (list, discover, add-local, add-remote, "
                                    "remove, set, test, recordings)")
                                    .arg(QString::fromStdString(cmd))));
    return kExitUsage;
  }
  std::vector<std::string> words = {"cameras", cmd};
  if (cmd == "set") {
    // Checked here too, so that a typo never waits for a running instance.
    std::int32_t id = 0;
    const std::vector<std::string> p(args.begin() + 1, args.end());
    if (p.empty() || !parse_camera_id(p[0], id))
      return print_reply(usage_error(cmd, "'" + (p.empty() ? std::string() : p[0]) +
                                              "' is not a camera id"));
    CameraOptions probe;
    const std::string error = parse_option_changes(p, probe);
    if (!error.empty()) return print_reply(usage_error(cmd, error));
    words.push_back("--");
  }
  if (cmd == "remove" || cmd == "set") {
    words.insert(words.end(), args.begin() + 1, args.end());
    return deliver_change(words);
  }

  AddOptions o;
  std::string error;
  if (!split_options(args, 1, o, error)) return print_reply(usage_error(cmd, error));
  // The password is the last argument of add-local and the fourth of
  // add-remote; without it, it is read from standard input or asked for.
  const std::size_t full = cmd == "add-local" ? 3 : 5;
  const std::size_t password_at = cmd == "add-local" ? 2 : 3;
  std::vector<std::string> p = o.positional;
  if (cmd == "add-local" && !p.empty() && p.size() < full) {
    // A camera heard on the network may be added by its id alone: without a
    // dotted address in second place, its announcement supplies one.
    std::uint8_t ignored[4];
    // Digits and dots are a mistyped address ("192.168.1.300"), never a
    // password: refused at once rather than listened for.
    if (p.size() == 2 && p[1].find('.') != std::string::npos &&
        p[1].find_first_not_of("0123456789.") == std::string::npos && !parse_ipv4(p[1], ignored))
      return print_reply(usage_error(
          cmd, QCoreApplication::translate("Console", "'%1' is not an IPv4 address (expected a.b.c.d)")
                   .arg(QString::fromStdString(p[1]))
                   .toStdString()));
    if (p.size() == 1 || !parse_ipv4(p[1], ignored)) {
      std::int32_t heard = 0;
      if (!parse_camera_id(p[0], heard))
        return print_reply(usage_error(cmd, not_an_id(p[0])));
      const std::string address = discover_address(heard, kDefaultDiscoverSeconds);
      if (address.empty()) return kExitFailed;
      p.insert(p.begin() + 1, address);
    }
  }
  if (p.size() == full && o.password_stdin)
    return print_reply(usage_error(
        cmd, QCoreApplication::translate("Console", "give the password or --password-stdin, not both")));
  if (p.size() != full && p.size() != full - 1)
    return print_reply(
        usage_error(cmd, QCoreApplication::translate("Console", "wrong number of arguments")));
  std::int32_t id = 0;
  if (!parse_camera_id(p[0], id))
    return print_reply(usage_error(cmd, not_an_id(p[0])));
  if (p.size() == full - 1) {
    // Check everything else before asking, so a typo is not found only
    // after the password was typed.
    CameraRecord probe{};
    const bool fine = cmd == "add-local"
                          ? make_local_record(id, p[1], "", probe, error)
                          : make_remote_record(id, p[1], p[2], "", p[3], probe, error);
    if (!fine) return print_reply(refuse(kExitUsage, error));
    std::string password;
    if (o.password_stdin) {
      if (!read_password_line(password))
        return print_reply(refuse(
            kExitUsage, QCoreApplication::translate("Console", "no password on standard input")));
    } else if (!::isatty(STDIN_FILENO) ||
               !prompt_password(
                   (cmd == "add-local"
                        ? QCoreApplication::translate("Console", "Password of camera %1: ")
                              .arg(QString::fromStdString(p[0]))
                        : QCoreApplication::translate("Console", "Password of %1 on %2: ")
                              .arg(QString::fromStdString(p[2]), QString::fromStdString(p[1])))
                       .toStdString(),
                   password)) {
      return print_reply(usage_error(
          cmd, QCoreApplication::translate("Console",
                                           "the password is missing: give it, type it at the "
                                           "prompt on a terminal, or pass --password-stdin")));
    }
    p.insert(p.begin() + static_cast<long>(password_at), password);
  }
  if (o.replace) words.push_back("--replace");
  if (o.force) words.push_back("--force");
  if (o.delete_after_copy) words.push_back("--delete-after-copy");
  words.push_back("--");
  words.insert(words.end(), p.begin(), p.end());
  return deliver_change(words);
}

}  // namespace velmora
