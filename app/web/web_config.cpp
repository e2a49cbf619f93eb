#include "web_config.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "private_file.h"

namespace velmora {

namespace {
// Console texts are marked where they stand (lupdate reads the literals).
std::string say(const char* text) { return QCoreApplication::translate("Console", text).toStdString(); }
}  // namespace

std::string parse_web_listen(const std::string& text, WebListen& out) {
  std::string address = "127.0.0.1", port_text = text;
  const std::size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    address = text.substr(0, colon);
    port_text = text.substr(colon + 1);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
      address = address.substr(1, address.size() - 2);
    if (address.empty()) return say(QT_TRANSLATE_NOOP("Console", "no address before ':'"));
  }
  if (port_text.empty() || port_text.size() > 5 ||
      port_text.find_first_not_of("0123456789") != std::string::npos)
    return QCoreApplication::translate("Console", "the port must be a number from 0 to 65535, not '%1'")
        .arg(QString::fromStdString(port_text)).toStdString();
  const long port = std::strtol(port_text.c_str(), nullptr, 10);
  if (port > 65535) return QCoreApplication::translate("Console", "the port must be a number from 0 to 65535, not '%1'")
        .arg(QString::fromStdString(port_text)).toStdString();
  // Four decimal parts for IPv4: "10.1" is not taken for 10.0.0.1.
  const bool v4 = address.find(':') == std::string::npos;
  if (v4 && (std::count(address.begin(), address.end(), '.') != 3 ||
             address.find_first_not_of("0123456789.") != std::string::npos))
    return QCoreApplication::translate("Console", "'%1' is not an IP address")
        .arg(QString::fromStdString(address)).toStdString();
  QHostAddress parsed;
  if (!parsed.setAddress(QString::fromStdString(address)) || !parsed.scopeId().isEmpty())
    return QCoreApplication::translate("Console", "'%1' is not an IP address")
        .arg(QString::fromStdString(address)).toStdString();
  out.on = true;
  out.address = parsed.toString().toStdString();
  out.port = static_cast<std::uint16_t>(port);
  return {};
}

std::string web_listen_text(const WebListen& l) {
  if (!l.on) return "off";
  const bool v6 = l.address.find(':') != std::string::npos;
  return (v6 ? "[" + l.address + "]" : l.address) + ":" + std::to_string(l.port);
}

bool is_loopback_address(const std::string& address) {
  return QHostAddress(QString::fromStdString(address)).isLoopback();
}

std::string web_config_file(const AppPaths& paths) {
  return paths.program_folder() + "/VelmoraWeb.txt";
}

WebConfig load_web_config(const std::string& path) {
  WebConfig c;
  std::FILE* f = open_regular_file(path);
  if (!f) return c;
  char line[512];
  int lines = 0;
  while (lines++ < 64 && std::fgets(line, sizeof line, f)) {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    if (s.rfind("listen ", 0) == 0) {
      WebListen l;
      if (s.substr(7) == "off")
        c.listen = WebListen{};
      else if (parse_web_listen(s.substr(7), l).empty())
        c.listen = l;
    } else if (s.rfind("password ", 0) == 0) {
      c.password_hash = s.substr(9);
    }
  }
  std::fclose(f);
  return c;
}

std::string web_refusal(const WebConfig& config) {
  if (!config.listen.on || is_loopback_address(config.listen.address) ||
      !config.password_hash.empty())
    return {};
  return QCoreApplication::translate(
             "Console",
             "the web page would listen on %1, which other machines can reach, and no web password "
             "is set; set one with 'velmora settings web-password', or listen on 127.0.0.1 and "
             "reach it through an SSH tunnel or a reverse proxy")
      .arg(QString::fromStdString(web_listen_text(config.listen)))
      .toStdString();
}

bool save_web_config(const std::string& path, const WebConfig& c) {
  std::string text = "listen " + web_listen_text(c.listen) + "\n";
  if (!c.password_hash.empty()) text += "password " + c.password_hash + "\n";
  return replace_private_file(path, text);
}

}  // namespace velmora
