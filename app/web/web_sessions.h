// The web page's sessions: a cookie signed with a key made at each start (so
// a restart ends every session), the token each action must carry, bound to
// its session, and the pause a failed login imposes on the next attempt.
// Main thread only.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace velmora {

class WebSessions {
public:
  WebSessions();

  // A new session's cookie value; `signed_in`: it passed the login form.
  QByteArray issue(bool signed_in) const;
  // Whether `cookie` is a session this process issued (and signed in, when
  // `need_sign_in`).
  bool valid(const QByteArray& cookie, bool need_sign_in) const;
  // The token actions of this session carry; empty for a cookie that is
  // not valid.
  QByteArray token(const QByteArray& cookie) const;
  bool token_matches(const QByteArray& cookie, const QByteArray& token) const;

  // After a failed login the next attempt waits: 1 s, doubling up to 30 s.
  // Milliseconds still to wait (0 = an attempt may be checked now).
  std::int64_t login_wait_ms(std::int64_t now_ms) const;
  void login_failed(std::int64_t now_ms);
  void login_succeeded() { failures_ = 0; }

private:
  QByteArray key_;
  int failures_ = 0;
  std::int64_t locked_until_ms_ = 0;
};

}  // namespace velmora
