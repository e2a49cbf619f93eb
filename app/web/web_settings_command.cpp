#include "web_settings_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "password_hash.h"
#include "web_config.h"

namespace velmora {

namespace {

int usage(const std::string& why) {
  std::fprintf(stderr,
               "velmora settings: %s\nusage: velmora settings web [ADDRESS:]PORT|off\n"
               "       velmora settings web-password [--password-stdin | off]\n",
               why.c_str());
  return 2;
}

int save(const AppPaths& paths, const WebConfig& config) {
  make_folders(paths.program_folder());
  const std::string file = web_config_file(paths);
  if (!save_web_config(file, config)) {
    std::fprintf(stderr, "velmora settings: cannot write %s: %s\n", file.c_str(),
                 std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

std::string web_help(const std::string& topic) {
  if (topic == "headless")
    return "\nThe web page (off unless asked for):\n"
           "  --web [ADDRESS:]PORT  serve the cameras' page, /api/ and /metrics there\n"
           "                        (127.0.0.1 without an address; 'off' = not at all);\n"
           "                        overrides 'velmora settings web'. Any address but\n"
           "                        loopback needs 'velmora settings web-password'.\n";
  return "\nThe service's web page (used from its next start):\n"
         "  web [ADDRESS:]PORT|off        where 'velmora --headless' serves it\n"
         "  web-password [--password-stdin|off]\n"
         "                                its password, asked for without echo; stored\n"
         "                                only as a salted hash\n";
}

std::string web_settings_lines(const AppPaths& paths) {
  const WebConfig c = load_web_config(web_config_file(paths));
  std::string text = "web           " + web_listen_text(c.listen) + "\n";
  text += std::string("web-password  ") + (c.password_hash.empty() ? "not set" : "set") + "\n";
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
    if (args.size() != 2) return usage("'web' takes one value: [ADDRESS:]PORT or off");
    if (args[1] == "off") {
      config.listen = WebListen{};
    } else if (const std::string why = parse_web_listen(args[1], config.listen); !why.empty()) {
      return usage("web: " + why);
    }
    if (const int code = save(paths, config); code != 0) return code;
    std::printf("web           %s (used from the next start of 'velmora --headless')\n",
                web_listen_text(config.listen).c_str());
    if (const std::string refusal = web_refusal(config); !refusal.empty())
      std::printf("warning: %s\n", refusal.c_str());
    return 0;
  }
  // web-password
  if (args.size() > 2 || (args.size() == 2 && args[1] != "--password-stdin" && args[1] != "off"))
    return usage("web-password takes --password-stdin or off");
  if (args.size() == 2 && args[1] == "off") {
    config.password_hash.clear();
    if (const int code = save(paths, config); code != 0) return code;
    std::printf("web-password  not set\n");
    if (const std::string refusal = web_refusal(config); !refusal.empty())
      std::printf("warning: %s\n", refusal.c_str());
    return 0;
  }
  const bool from_stdin = args.size() == 2;
  std::string password;
  if (!read_password(from_stdin, "Password of the web page: ", password))
    return usage(from_stdin ? "no password on standard input"
                            : "the password is asked for on a terminal; without one, pass "
                              "--password-stdin");
  if (password.empty()) return usage("the web password must not be empty");
  config.password_hash = hash_password(password);
  if (config.password_hash.empty()) {
    std::fprintf(stderr, "velmora settings: the system gave no random bytes for the salt\n");
    return 1;
  }
  if (const int code = save(paths, config); code != 0) return code;
  std::printf("web-password  set (used from the next start of 'velmora --headless')\n");
  return 0;
}

}  // namespace velmora
