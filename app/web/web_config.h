// Where the service's web page listens and the hash of its password, kept in
// a private file of the program's own folder; "velmora settings web" and
// "web-password" write it, "velmora --headless" reads it at start.
#pragma once

#include <cstdint>
#include <string>

#include "app_paths.h"

namespace velmora {

struct WebListen {
  bool on = false;
  std::string address = "127.0.0.1";  // IPv4 or IPv6 literal
  std::uint16_t port = 0;             // 0: any free port
};

// "[ADDRESS:]PORT" ("8080", "127.0.0.1:8080", "[::1]:8080"); without an
// address the page listens on 127.0.0.1 only. "" and why on success.
std::string parse_web_listen(const std::string& text, WebListen& out);
std::string web_listen_text(const WebListen& l);
bool is_loopback_address(const std::string& address);

struct WebConfig {
  WebListen listen;
  std::string password_hash;  // "" = no password set
};

// Why the page must not start with this configuration ("" when it may):
// a non-loopback address needs a password.
std::string web_refusal(const WebConfig& config);

std::string web_config_file(const AppPaths& paths);
// A missing file gives the defaults (off, no password); lines it does not
// understand are skipped.
WebConfig load_web_config(const std::string& path);
// Mode 0600, replaced whole. False (errno says why) on failure.
bool save_web_config(const std::string& path, const WebConfig& config);

}  // namespace velmora
