#include "web_sessions.h"

#include <QList>

#include <algorithm>

#include "password_hash.h"

namespace velmora {

namespace {

constexpr auto kB64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QByteArray mac_of(const QByteArray& key, const QByteArray& id, bool signed_in) {
  return hmac_sha256(key, "session:" + id + (signed_in ? ":in" : ":anon")).toBase64(kB64);
}

}  // namespace

WebSessions::WebSessions() : key_(random_bytes(32)) {}

QByteArray WebSessions::issue(bool signed_in) const {
  const QByteArray id = random_bytes(18).toBase64(kB64);
  return id + "." + (signed_in ? "1" : "0") + "." + mac_of(key_, id, signed_in);
}

bool WebSessions::valid(const QByteArray& cookie, bool need_sign_in) const {
  if (key_.isEmpty() || cookie.size() > 256) return false;
  const QList<QByteArray> parts = cookie.split('.');
  if (parts.size() != 3 || parts[0].isEmpty() || (parts[1] != "0" && parts[1] != "1"))
    return false;
  const bool signed_in = parts[1] == "1";
  if (need_sign_in && !signed_in) return false;
  return same_bytes(mac_of(key_, parts[0], signed_in), parts[2]);
}

QByteArray WebSessions::token(const QByteArray& cookie) const {
  if (!valid(cookie, false)) return {};
  return hmac_sha256(key_, "token:" + cookie).toBase64(kB64);
}

bool WebSessions::token_matches(const QByteArray& cookie, const QByteArray& t) const {
  return same_bytes(token(cookie), t);
}

std::int64_t WebSessions::login_wait_ms(std::int64_t now_ms) const {
  return std::max<std::int64_t>(0, locked_until_ms_ - now_ms);
}

void WebSessions::login_failed(std::int64_t now_ms) {
  failures_ = std::min(failures_ + 1, 6);
  locked_until_ms_ = now_ms + std::min<std::int64_t>(30000, 1000LL << (failures_ - 1));
}

}  // namespace velmora
