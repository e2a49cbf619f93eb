// SHA-1 message digest (FIPS 180-1): the server login digest and the core of
// the exported _SHA1* functions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrune {

// Same fields, in the same order, as the exported context, so the exported
// functions can run on this core by copying the bytes in and out.
struct Sha1State {
  std::uint32_t state[5];
  std::uint32_t length_low;   // message length in bits
  std::uint32_t length_high;
  unsigned char block[64];
};

void sha1_init(Sha1State& s);
// false (and nothing absorbed) when the 64-bit bit count would overflow.
bool sha1_update(Sha1State& s, const unsigned char* data, std::uint64_t size);
// Writes the digest and clears the state.
void sha1_final(Sha1State& s, unsigned char digest[20]);

class Sha1 {
public:
  Sha1() { sha1_init(s_); }
  void update(const void* data, std::size_t size) {
    sha1_update(s_, static_cast<const unsigned char*>(data), size);
  }
  void final(unsigned char digest[20]) { sha1_final(s_, digest); }

  static void digest(const void* data, std::size_t size, unsigned char out[20]);

private:
  Sha1State s_;
};

}  // namespace kestrune
