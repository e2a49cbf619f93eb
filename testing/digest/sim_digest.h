// MD5 (RFC 1321) and SHA-1 (FIPS 180-1) for the simulated camera and video
// server, which check the logins of the library under test with them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace simdigest {

void md5(const void* data, std::size_t size, std::uint8_t out[16]);
void sha1(const void* data, std::size_t size, std::uint8_t out[20]);

}  // namespace simdigest
