// The 16-byte digest of login step 2, computed from the server's challenge
// and the user's password.
#pragma once

#include <cstdint>

namespace kestrune::vifs {

// The reserved account (exact, case-sensitive name) proves its password with
// MD5 over the challenge in decimal text and the first 16 password bytes;
// every other user with MD5 over the challenge (4 bytes, little-endian) and
// the SHA-1 of the whole password.
constexpr const char* kReservedAccount = "vomul";

void login_digest(const char* user, const char* password, std::uint32_t challenge,
                  unsigned char out[16]);

}  // namespace kestrune::vifs
