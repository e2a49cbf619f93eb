// "velmora cameras ...": the camera list, read from its file and changed
// with the same rules as the add and remove commands of the window, plus
// the checks a command line needs (explicit replacement, duplicate
// addresses, addresses no camera can have).
#include <QCoreApplication>
#include <QJsonObject>
#include <QStringList>

#include <unistd.h>

#include <algorithm>
#include <optional>
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
  bool check = false;
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
    } else if (a == "--check") {
      o.check = true;
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
    return "add-local [--replace] [--force] [--delete-after-copy] [--check] <id> <ipv4> "
           "[<password>]";
  if (cmd == "add-remote")
    return "add-remote [--replace] [--force] [--delete-after-copy] [--check] <id> <server ipv4> "
           "<user> [<password>] <serial>";
  if (cmd == "remove") return "remove <id>";
  if (cmd == "set")
    return "set [--password-stdin] [--force] <id> [address A] [password] [alias TEXT] [server A] "
           "[user U] [server-password] [delete-after-copy on|off]";
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

// What "set" changes; unset members stay as they are.
struct CameraChanges {
  std::optional<bool> delete_after_copy;
  std::optional<std::string> address, password, alias, server, user, server_password;
  bool record() const { return address || password || server || user || server_password; }
};

bool is_secret(const std::string& name) { return name == "password" || name == "server-password"; }

// "set <id> [name [value]]...": an error text when a word is wrong. On the
// command line the passwords take no value (they are asked for); in the
// words of a change (`inline_secrets`) they carry it.
std::string parse_camera_changes(const std::vector<std::string>& p, bool inline_secrets,
                                 CameraChanges& c) {
  for (std::size_t i = 1; i < p.size();) {
    const std::string& name = p[i];
    std::optional<std::string>* field = nullptr;
    if (name == "address") field = &c.address;
    else if (name == "password") field = &c.password;
    else if (name == "alias") field = &c.alias;
    else if (name == "server") field = &c.server;
    else if (name == "user") field = &c.user;
    else if (name == "server-password") field = &c.server_password;
    else if (name != "delete-after-copy")
      return QCoreApplication::translate("Console",
                                         "unknown camera option '%1' (address, password, alias, "
                                         "server, user, server-password, delete-after-copy)")
          .arg(QString::fromStdString(printable_text(name)))
          .toStdString();
    if (is_secret(name) && !inline_secrets) {
      *field = std::string();
      ++i;
      continue;
    }
    if (i + 1 >= p.size())
      return QCoreApplication::translate("Console", "'%1' needs a value")
          .arg(QString::fromStdString(name))
          .toStdString();
    const std::string& value = p[i + 1];
    i += 2;
    if (field) {
      *field = value;
      continue;
    }
    if (value != "on" && value != "off")
      return QCoreApplication::translate("Console", "delete-after-copy takes on or off, not '%1'")
          .arg(QString::fromStdString(printable_text(value)))
          .toStdString();
    c.delete_after_copy = value == "on";
  }
  return {};
}

// The record with the changes applied, checked as an add would be.
Reply changed_record(const CameraRecord& old, const CameraChanges& c, const CameraTable& table,
                     const AddOptions& options, CameraRecord& record) {
  const std::int32_t id = old.camera_id;
  if (old.is_local && (c.server || c.user || c.server_password))
    return refuse(kExitUsage,
                  QCoreApplication::translate("Console",
                                              "camera %1 is on the local network; server, user "
                                              "and server-password belong to cameras behind a "
                                              "video server")
                      .arg(id));
  if (!old.is_local && (c.address || c.password))
    return refuse(kExitUsage,
                  QCoreApplication::translate("Console",
                                              "camera %1 is reached through a video server; "
                                              "change its server, user or server-password")
                      .arg(id));
  std::string error;
  const std::string address = old.is_local ? c.address.value_or(address_text(old))
                                           : c.server.value_or(field_text(old.server_address));
  const bool fine =
      old.is_local
          ? make_local_record(id, address, c.password.value_or(field_text(old.local_password)),
                              record, error)
          : make_remote_record(id, address, c.user.value_or(field_text(old.user)),
                               c.server_password.value_or(field_text(old.server_password)),
                               serial_of(old), record, error);
  if (!fine) return refuse(kExitUsage, error);
  std::uint8_t bytes[4];
  parse_ipv4(address, bytes);
  if (c.address || c.server) {
    const std::string unusable = unusable_address(bytes);
    if (!unusable.empty()) return refuse(kExitUsage, address + " " + unusable);
  }
  AddOptions o = options;
  o.replace = true;
  return check_add(record, table, o);
}

Reply set_camera(std::int32_t id, const std::vector<std::string>& p, const AddOptions& options,
                 Profile& profile) {
  const CameraTable table = profile.cameras();
  auto it = table.find(id);
  if (it == table.end()) return refuse(kExitFailed, "no camera with id " + p[0]);
  CameraChanges c;
  const std::string error = parse_camera_changes(p, true, c);
  if (!error.empty()) return usage_error("set", error);
  CameraRecord record{};
  if (c.record()) {
    Reply r = changed_record(it->second, c, table, options, record);
    if (r.code != 0) return r;
  }
  std::string why;
  Reply r;
  // Names only: a password is never repeated.
  QStringList what;
  bool restarted = false;
  if (c.record()) {
    if (!profile.change_camera(record, restarted, why)) return refuse(kExitFailed, why);
    if (c.address) what << "address " + QString::fromStdString(address_text(record));
    if (c.password) what << "password";
    if (c.server) what << "server " + QString::fromStdString(field_text(record.server_address));
    if (c.user) what << "user " + QString::fromStdString(printable_text(field_text(record.user)));
    if (c.server_password) what << "server-password";
  }
  if (c.alias) {
    if (!profile.set_alias(id, *c.alias, why)) return refuse(kExitFailed, why);
    what << "alias";
  }
  if (!what.isEmpty()) {
    QString applied;
    if (!profile.running())
      applied = QCoreApplication::translate("Console", "saved; used from Velmora's next run");
    else if (restarted)
      applied = QCoreApplication::translate("Console",
                                            "saved; the running Velmora restarted the camera "
                                            "with it");
    else if (c.record())
      applied = QCoreApplication::translate("Console",
                                            "saved; the running Velmora uses it from the "
                                            "camera's next run");
    else
      applied = QCoreApplication::translate("Console", "saved; the running Velmora shows it now");
    r.out = QCoreApplication::translate("Console", "Changed camera %1: %2 (%3)")
                .arg(id)
                .arg(what.join(QCoreApplication::translate("Console", ", ")), applied)
                .toStdString() +
            "\n";
  }
  CameraOptions o = profile.camera_options(id);
  if (c.delete_after_copy || what.isEmpty()) {
    o.delete_after_copy = c.delete_after_copy.value_or(o.delete_after_copy);
    if (c.delete_after_copy && !profile.set_camera_options(id, o, why)) {
      r.code = kExitFailed;
      r.err = "velmora cameras: " + why + "\n";
      return r;
    }
    r.out += options_text(id, o);
  }
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
  if (cmd == "set") return set_camera(id, p, o, profile);
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

namespace {

// An address argument: dotted IPv4 as it is; a host name is looked up once,
// here, and its address is what the camera keeps (said on `notes`).
bool address_argument(const std::string& cmd, std::string& text, std::string& notes,
                      Reply& refusal) {
  std::uint8_t ignored[4];
  if (parse_ipv4(text, ignored)) return true;
  std::string dotted;
  if (resolve_host_ipv4(text, dotted)) {
    notes += QCoreApplication::translate("Console", "%1 is %2; the camera keeps the address %2")
                 .arg(QString::fromStdString(printable_text(text)), QString::fromStdString(dotted))
                 .toStdString() +
             "\n";
    text = dotted;
    return true;
  }
  const QString name = QString::fromStdString(printable_text(text));
  refusal = usage_error(
      cmd, looks_like_ipv4(text)
               ? QCoreApplication::translate("Console",
                                             "'%1' is not an IPv4 address (expected a.b.c.d)")
                     .arg(name)
               : QCoreApplication::translate("Console",
                                             "'%1' is not an IPv4 address, and no host of that "
                                             "name was found")
                     .arg(name));
  return false;
}

// "set" on the command line: names checked, host names resolved and the
// password read before the change goes to whoever makes it.
int set_command(const std::vector<std::string>& args) {
  const std::string cmd = "set";
  AddOptions o;
  std::string error;
  if (!split_options(args, 1, o, error)) return print_reply(usage_error(cmd, error));
  std::vector<std::string> p = o.positional;
  std::int32_t id = 0;
  if (p.empty() || !parse_camera_id(p[0], id))
    return print_reply(usage_error(cmd, not_an_id(p.empty() ? std::string() : p[0])));
  CameraChanges c;
  error = parse_camera_changes(p, false, c);
  if (!error.empty()) return print_reply(usage_error(cmd, error));
  if (c.password && c.server_password)
    return print_reply(usage_error(
        cmd, QCoreApplication::translate("Console", "change one password at a time")));
  if (o.password_stdin && !c.password && !c.server_password)
    return print_reply(usage_error(
        cmd, QCoreApplication::translate("Console",
                                         "--password-stdin goes with password or server-password")));
  Reply refusal;
  std::string notes;
  for (std::size_t i = 1; i < p.size(); i += is_secret(p[i]) ? 1 : 2) {
    if ((p[i] == "address" || p[i] == "server") && !address_argument(cmd, p[i + 1], notes, refusal))
      return print_reply(refusal);
  }
  // Everything but the password is checked before it is asked for.
  CameraTable table;
  load_camera_file(AppPaths::from_environment().camera_list_file(), table);
  auto it = table.find(id);
  if (it == table.end())
    return print_reply(refuse(kExitFailed, QCoreApplication::translate("Console", "no camera with id %1")
                                               .arg(QString::fromStdString(p[0]))));
  c = CameraChanges{};
  parse_camera_changes(p, false, c);
  CameraRecord probe{};
  if (c.record()) {
    refusal = changed_record(it->second, c, table, o, probe);
    if (refusal.code != 0) return print_reply(refusal);
  }
  std::string secret;
  if (c.password || c.server_password) {
    const QString prompt =
        c.password ? QCoreApplication::translate("Console", "New password of camera %1: ").arg(id)
                   : QCoreApplication::translate("Console", "New password of %1 on %2: ")
                         .arg(QString::fromStdString(field_text(it->second.user)),
                              QString::fromStdString(field_text(it->second.server_address)));
    const bool read = o.password_stdin ? read_password_line(secret)
                                       : ::isatty(STDIN_FILENO) &&
                                             prompt_password(prompt.toStdString(), secret);
    if (!read)
      return print_reply(usage_error(
          cmd, o.password_stdin
                   ? QCoreApplication::translate("Console", "no password on standard input")
                   : QCoreApplication::translate("Console",
                                                 "the password is asked for on a terminal; "
                                                 "without one, pass --password-stdin")));
  }
  std::vector<std::string> words = {"cameras", cmd};
  if (o.force) words.push_back("--force");
  words.push_back("--");
  words.push_back(p[0]);
  for (std::size_t i = 1; i < p.size();) {
    words.push_back(p[i]);
    if (is_secret(p[i])) {
      words.push_back(secret);
      ++i;
    } else {
      words.push_back(p[i + 1]);
      i += 2;
    }
  }
  std::fputs(notes.c_str(), Console::out());
  return deliver_change(words);
}

}  // namespace

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
  if (cmd == "set") return set_command(args);
  std::vector<std::string> words = {"cameras", cmd};
  if (cmd == "remove") {
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
    // Two words are an id and a password unless the second is a host name
    // (or the password comes from standard input).
    std::string dotted;
    const bool named = p.size() == 2 && (o.password_stdin || resolve_host_ipv4(p[1], dotted));
    if (!named && (p.size() == 1 || !parse_ipv4(p[1], ignored))) {
      std::int32_t heard = 0;
      if (!parse_camera_id(p[0], heard))
        return print_reply(usage_error(cmd, not_an_id(p[0])));
      const std::string address = discover_address(heard, kDefaultDiscoverSeconds);
      if (address.empty()) return kExitFailed;
      p.insert(p.begin() + 1, address);
    }
  }
  std::string notes;
  Reply refusal;
  if (p.size() >= 2 && !address_argument(cmd, p[1], notes, refusal)) return print_reply(refusal);
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
  if (o.check) {
    // Logged in to before anything is saved; the checks of the list itself
    // follow when the change is made.
    CameraRecord record{};
    const bool fine = cmd == "add-local" ? make_local_record(id, p[1], p[2], record, error)
                                         : make_remote_record(id, p[1], p[2], p[3], p[4], record, error);
    if (!fine) return print_reply(refuse(kExitUsage, error));
    std::fputs(notes.c_str(), Console::out());
    notes.clear();
    if (const int code = check_camera(record); code != kExitOk) {
      std::fprintf(stderr, "velmora cameras: %s\n",
                   qUtf8Printable(QCoreApplication::translate("Console",
                                                              "camera %1 not saved")
                                      .arg(id)));
      return code;
    }
  }
  if (o.replace) words.push_back("--replace");
  if (o.force) words.push_back("--force");
  if (o.delete_after_copy) words.push_back("--delete-after-copy");
  words.push_back("--");
  words.insert(words.end(), p.begin(), p.end());
  std::fputs(notes.c_str(), Console::out());
  return deliver_change(words);
}

}  // namespace velmora
