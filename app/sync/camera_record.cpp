#include "camera_record.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace velmora {

CameraRecord make_empty_record() {
  CameraRecord r;
  std::memset(&r, 0, sizeof r);
  return r;
}

std::string field_text(const char* field, std::size_t width) {
  std::size_t n = 0;
  while (n < width && field[n] != '\0') ++n;
  return std::string(field, n);
}

bool set_field_text(char* field, std::size_t width, const std::string& text) {
  std::memset(field, 0, width);
  if (text.size() >= width || text.find('\0') != std::string::npos) return false;
  std::memcpy(field, text.data(), text.size());
  return true;
}

bool parse_ipv4(const std::string& text, std::uint8_t out[4]) {
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
      value = value * 10 + unsigned(text[pos] - '0');
      ++pos;
    }
    if (pos == start || value > 255) return false;
    // "01" style octets are read as octal by some parsers; refuse them.
    if (pos - start > 1 && text[start] == '0') return false;
    out[part] = std::uint8_t(value);
  }
  return pos == text.size();
}

std::string address_text(const CameraRecord& r) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", r.address[0], r.address[1], r.address[2],
                r.address[3]);
  return buf;
}

bool make_local_record(std::int32_t id, const std::string& ipv4, const std::string& password,
                       CameraRecord& out, std::string& error) {
  out = make_empty_record();
  std::uint8_t addr[4];
  if (!parse_ipv4(ipv4, addr)) {
    error = QCoreApplication::translate("Console", "'%1' is not an IPv4 address (expected a.b.c.d)")
                .arg(QString::fromStdString(ipv4))
                .toStdString();
    return false;
  }
  if (password.size() > 15) {
    error = QCoreApplication::translate("Console",
                                        "the password is %1 bytes long; a camera password has at "
                                        "most 15 bytes")
                .arg(password.size())
                .toStdString();
    return false;
  }
  if (password.find('\0') != std::string::npos) {
    error = QCoreApplication::translate("Console", "the password must not contain a NUL byte")
                .toStdString();
    return false;
  }
  out.camera_id = id;
  out.is_local = 1;
  std::memcpy(out.address, addr, 4);
  set_field_text(out.local_password, sizeof out.local_password, password);
  return true;
}

namespace {

// Same limits as the add-remote dialog's edit fields.
bool take_field(char* field, std::size_t width, const std::string& text, const char* what,
                std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = QCoreApplication::translate("Console", "the %1 must not contain a NUL byte")
                .arg(QCoreApplication::translate("Console", what))
                .toStdString();
    return false;
  }
  if (text.size() > width - 1) {
    error = QCoreApplication::translate("Console", "the %1 is %2 bytes long; it has at most %3 bytes")
                .arg(QCoreApplication::translate("Console", what))
                .arg(text.size())
                .arg(width - 1)
                .toStdString();
    return false;
  }
  set_field_text(field, width, text);
  return true;
}

}  // namespace

bool make_remote_record(std::int32_t id, const std::string& server_ipv4, const std::string& user,
                        const std::string& password, const std::string& serial,
                        CameraRecord& out, std::string& error) {
  out = make_empty_record();
  std::uint8_t addr[4];
  if (server_ipv4.size() > sizeof out.server_address - 1 || !parse_ipv4(server_ipv4, addr)) {
    error = QCoreApplication::translate("Console",
                                        "'%1' is not a server IPv4 address (expected a.b.c.d)")
                .arg(QString::fromStdString(server_ipv4))
                .toStdString();
    return false;
  }
  if (user.empty() || serial.empty()) {
    error = (user.empty()
                 ? QCoreApplication::translate("Console", "the user name is empty")
                 : QCoreApplication::translate("Console", "the main camera serial number is empty"))
                .toStdString();
    return false;
  }
  if (!take_field(out.user, sizeof out.user, user, QT_TRANSLATE_NOOP("Console", "user name"), error) ||
      !take_field(out.server_password, sizeof out.server_password, password, QT_TRANSLATE_NOOP("Console", "password"), error) ||
      !take_field(out.serial, sizeof out.serial, serial,
                  QT_TRANSLATE_NOOP("Console", "main camera serial number"), error)) {
    out = make_empty_record();
    return false;
  }
  out.camera_id = id;
  out.is_local = 0;
  set_field_text(out.server_address, sizeof out.server_address, server_ipv4);
  return true;
}

std::string display_name(const CameraRecord& r) {
  if (r.is_local) return std::to_string(r.camera_id) + "(" + address_text(r) + ")";
  return serial_of(r) + "(" + std::to_string(r.camera_id) + ")";
}

}  // namespace velmora
