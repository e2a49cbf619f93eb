#include "password_hash.h"

#include <QList>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

namespace velmora {

namespace {

constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
// Far above what the program writes; keeps a doctored file from stalling
// the service for minutes at each login.
constexpr long kMaxIterations = 10000000;

QByteArray derive(const std::string& password, const QByteArray& salt, int iterations) {
  QByteArray out(kHashBytes, '\0');
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.constData()),
                        static_cast<int>(salt.size()), iterations, EVP_sha256(), kHashBytes,
                        reinterpret_cast<unsigned char*>(out.data())) != 1)
    return {};
  return out;
}

}  // namespace

QByteArray random_bytes(int n) {
  QByteArray out(n, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), n) != 1) return {};
  return out;
}

std::string hash_password(const std::string& password, int iterations) {
  const QByteArray salt = random_bytes(kSaltBytes);
  if (salt.isEmpty()) return {};
  const QByteArray hash = derive(password, salt, iterations);
  if (hash.isEmpty()) return {};
  return "pbkdf2-sha256$" + std::to_string(iterations) + "$" + salt.toBase64().toStdString() +
         "$" + hash.toBase64().toStdString();
}

bool verify_password(const std::string& password, const std::string& stored) {
  const QList<QByteArray> parts = QByteArray::fromStdString(stored).split('$');
  if (parts.size() != 4 || parts[0] != "pbkdf2-sha256") return false;
  bool ok = false;
  const long iterations = parts[1].toLong(&ok);
  if (!ok || iterations < 1 || iterations > kMaxIterations) return false;
  const QByteArray salt = QByteArray::fromBase64(parts[2]);
  const QByteArray hash = QByteArray::fromBase64(parts[3]);
  if (salt.size() < 8 || hash.size() != kHashBytes) return false;
  return same_bytes(derive(password, salt, static_cast<int>(iterations)), hash);
}

QByteArray hmac_sha256(const QByteArray& key, const QByteArray& data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (!HMAC(EVP_sha256(), key.constData(), static_cast<int>(key.size()),
            reinterpret_cast<const unsigned char*>(data.constData()),
            static_cast<std::size_t>(data.size()), out, &len))
    return {};
  return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(len));
}

bool same_bytes(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size() || a.isEmpty()) return false;
  return CRYPTO_memcmp(a.constData(), b.constData(), static_cast<std::size_t>(a.size())) == 0;
}

}  // namespace velmora
