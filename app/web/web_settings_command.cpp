#include "web_settings_command.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "password_hash.h"
#include "web_config.h"

namespace velmora {

namespace {

// Console texts are marked where they stand (lupdate reads the literals).
std::string say(const char* text) { return QCoreApplication::translate("Console", text).toStdString(); }

int usage(const std::string& why) {
  std::fprintf(stderr, "velmora settings: %s\n%s\n       velmora settings web-password [--password-stdin | off]\n",
               why.c_str(),
               qUtf8Printable(QCoreApplication::translate("Console", "usage: %1")
                                  .arg("velmora settings web [ADDRESS:]PORT|off")));
  return 2;
}

int save(const AppPaths& paths, const WebConfig& config) {
  make_folders(paths.program_folder());
  const std::string file = web_config_file(paths);
  if (!save_web_config(file, config)) {
    std::fprintf(stderr, "velmora settings: %s\n",
                 qUtf8Printable(QCoreApplication::translate("Console", "cannot write %1: %2")
                                    .arg(QString::fromStdString(file), QString::fromLocal8Bit(std::strerror(errno)))));
    return 1;
  }
  return 0;
}

}  // namespace

std::string web_help(const std::string& topic) {
  if (topic == "headless")
    return say(QT_TRANSLATE_NOOP("Console", "\nThe web page (off unless asked for):\n"
              "  --web [ADDRESS:]PORT  serve the cameras' page, /api/ and /metrics there\n"
              "                        (127.0.0.1 without an address; 'off' = not at all);\n"
              "                        overrides 'velmora settings web'. Any address but\n"
              "                        loopback needs 'velmora settings web-password'.\n"));
  return say(QT_TRANSLATE_NOOP("Console", "\nThe service's web page (used from its next start):\n"
            "  web [ADDRESS:]PORT|off        where 'velmora --headless' serves it\n"
            "  web-password [--password-stdin|off]\n"
            "                                its password, asked for without echo; stored\n"
            "                                only as a salted hash\n"));
}

std::string web_settings_lines(const AppPaths& paths) {
  const WebConfig c = load_web_config(web_config_file(paths));
  std::string text = "web           " + web_listen_text(c.listen) + "\n";
  text += std::string("web-password  ") + (c.password_hash.empty() ? say(QT_TRANSLATE_NOOP("Console", "not set")) : say(QT_TRANSLATE_NOOP("Console", "set"))) + "\n";
  return text;
}

int run_web_settings(const AppPaths& paths, const std::vector<std::string>& args,
                     const PasswordReader& read_password) {
  WebConfig config = load_web_config(web_config_file(paths));
  if (args[0] == "web") {
    if (args.size() == 1) {
      std::fputs(web_settings_lines(paths).c_str(), stdout);
      return 0;
    }
    if (args.size() != 2) return usage(say(QT_TRANSLATE_NOOP("Console", "'web' takes one value: [ADDRESS:]PORT or off")));
    if (args[1] == "off") {
      config.listen = WebListen{};
    } else if (const std::string why = parse_web_listen(args[1], config.listen); !why.empty()) {
      return usage("web: " + why);
    }
    if (const int code = save(paths, config); code != 0) return code;
    std::printf("web           %s (%s)\n", web_listen_text(config.listen).c_str(),
                say(QT_TRANSLATE_NOOP("Console", "used from the next start of 'velmora --headless'")).c_str());
    if (const std::string refusal = web_refusal(config); !refusal.empty())
      std::printf("%s\n", QCoreApplication::translate("Console", "warning: %1").arg(QString::fromStdString(refusal)).toUtf8().constData());
    return 0;
  }
  // web-password
  if (args.size() > 2 || (args.size() == 2 && args[1] != "--password-stdin" && args[1] != "off"))
    return usage(say(QT_TRANSLATE_NOOP("Console", "web-password takes --password-stdin or off")));
  if (args.size() == 2 && args[1] == "off") {
    config.password_hash.clear();
    if (const int code = save(paths, config); code != 0) return code;
    std::printf("web-password  %s\n", say(QT_TRANSLATE_NOOP("Console", "not set")).c_str());
    if (const std::string refusal = web_refusal(config); !refusal.empty())
      std::printf("%s\n", QCoreApplication::translate("Console", "warning: %1").arg(QString::fromStdString(refusal)).toUtf8().constData());
    return 0;
  }
  const bool from_stdin = args.size() == 2;
  std::string password;
  if (!read_password(from_stdin, say(QT_TRANSLATE_NOOP("Console", "Password of the web page: ")), password))
    return usage(from_stdin ? say(QT_TRANSLATE_NOOP("Console", "no password on standard input"))
                            : say(QT_TRANSLATE_NOOP("Console", "the password is asked for on a terminal; without one, pass "
                                 "--password-stdin")));
  if (password.empty()) return usage(say(QT_TRANSLATE_NOOP("Console", "the web password must not be empty")));
  config.password_hash = hash_password(password);
  if (config.password_hash.empty()) {
    std::fprintf(stderr, "velmora settings: %s\n",
                 say(QT_TRANSLATE_NOOP("Console", "the system gave no random bytes for the salt")).c_str());
    return 1;
  }
  if (const int code = save(paths, config); code != 0) return code;
  std::printf("web-password  %s (%s)\n", say(QT_TRANSLATE_NOOP("Console", "set")).c_str(),
              say(QT_TRANSLATE_NOOP("Console", "used from the next start of 'velmora --headless'")).c_str());
  return 0;
}

}  // namespace velmora
