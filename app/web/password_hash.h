// The web page's password, kept only as a salted PBKDF2-HMAC-SHA256 hash
// ("pbkdf2-sha256$ITERATIONS$SALT$HASH", base64), and the random bytes and
// MACs the page's sessions are made of.
#pragma once

#include <QByteArray>

#include <string>

namespace velmora {

inline constexpr int kPasswordIterations = 600000;

// "" when the system could not provide random bytes.
std::string hash_password(const std::string& password, int iterations = kPasswordIterations);
// False for a wrong password and for a stored text that is not a hash this
// program wrote (whatever its content, nothing larger than it holds is read).
bool verify_password(const std::string& password, const std::string& stored);

// Empty on failure.
QByteArray random_bytes(int n);
QByteArray hmac_sha256(const QByteArray& key, const QByteArray& data);
// Compares in a time that does not depend on where the inputs differ.
bool same_bytes(const QByteArray& a, const QByteArray& b);

}  // namespace velmora
