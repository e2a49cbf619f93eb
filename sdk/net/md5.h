// MD5 message digest (RFC 1321), for the camera login digest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrune {

class Md5 {
public:
  Md5();
  void update(const void* data, std::size_t size);
  void final(unsigned char digest[16]);

  static void digest(const void* data, std::size_t size, unsigned char out[16]);

private:
  void transform(const unsigned char block[64]);

  std::uint32_t state_[4];
  std::uint64_t bits_ = 0;
  unsigned char buffer_[64];
};

}  // namespace kestrune
