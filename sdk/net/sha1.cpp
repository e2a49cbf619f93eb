#include "net/sha1.h"

#include <cstring>

#include "kestrune_sha1.h"

namespace kestrune {
namespace {

inline std::uint32_t rotl(std::uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

void transform(std::uint32_t state[5], const unsigned char block[64]) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i) {
    w[i] = (std::uint32_t(block[i * 4]) << 24) | (std::uint32_t(block[i * 4 + 1]) << 16) |
           (std::uint32_t(block[i * 4 + 2]) << 8) | std::uint32_t(block[i * 4 + 3]);
  }
  for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = rotl(b, 30);
    b = a;
    a = t;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

std::uint64_t bit_count(const Sha1State& s) {
  return (std::uint64_t(s.length_high) << 32) | s.length_low;
}

}  // namespace

void sha1_init(Sha1State& s) {
  std::memset(&s, 0, sizeof(s));
  s.state[0] = 0x67452301;
  s.state[1] = 0xEFCDAB89;
  s.state[2] = 0x98BADCFE;
  s.state[3] = 0x10325476;
  s.state[4] = 0xC3D2E1F0;
}

bool sha1_update(Sha1State& s, const unsigned char* data, std::uint64_t size) {
  std::uint64_t bits = bit_count(s);
  if (size > (UINT64_MAX - bits) / 8) return false;
  std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
  bits += size * 8;
  s.length_low = static_cast<std::uint32_t>(bits);
  s.length_high = static_cast<std::uint32_t>(bits >> 32);
  while (size > 0) {
    std::size_t take = 64 - used;
    if (take > size) take = static_cast<std::size_t>(size);
    if (used == 0 && take == 64) {
      transform(s.state, data);
    } else {
      std::memcpy(s.block + used, data, take);
      if (used + take == 64) transform(s.state, s.block);
    }
    data += take;
    size -= take;
    used = (used + take) % 64;
  }
  return true;
}

void sha1_final(Sha1State& s, unsigned char digest[20]) {
  std::uint64_t bits = bit_count(s);
  std::size_t used = static_cast<std::size_t>((bits / 8) % 64);
  s.block[used++] = 0x80;
  if (used > 56) {
    std::memset(s.block + used, 0, 64 - used);
    transform(s.state, s.block);
    used = 0;
  }
  std::memset(s.block + used, 0, 56 - used);
  for (int i = 0; i < 8; ++i) s.block[56 + i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
  transform(s.state, s.block);
  for (int i = 0; i < 20; ++i) {
    digest[i] = static_cast<unsigned char>(s.state[i / 4] >> (24 - 8 * (i % 4)));
  }
  std::memset(&s, 0, sizeof(s));
}

void Sha1::digest(const void* data, std::size_t size, unsigned char out[20]) {
  Sha1 sha;
  sha.update(data, size);
  sha.final(out);
}

}  // namespace kestrune

namespace NVS_SDK_V160 {

static_assert(sizeof(Sha1Context) == sizeof(kestrune::Sha1State), "same byte image");

int _SHA1Init(Sha1Context* context) {
  if (context == nullptr) return 1;
  kestrune::Sha1State s;
  kestrune::sha1_init(s);
  std::memcpy(context, &s, sizeof(s));
  return 0;
}

int _SHA1Update(Sha1Context* context, unsigned char* data, unsigned long length) {
  if (context == nullptr || data == nullptr) return 1;
  kestrune::Sha1State s;
  std::memcpy(&s, context, sizeof(s));
  if (!kestrune::sha1_update(s, data, length)) return 1;
  std::memcpy(context, &s, sizeof(s));
  return 0;
}

int _SHA1Final(unsigned char* const digest, Sha1Context* context) {
  if (digest == nullptr || context == nullptr) return 1;
  kestrune::Sha1State s;
  std::memcpy(&s, context, sizeof(s));
  kestrune::sha1_final(s, digest);
  std::memset(context, 0, sizeof(*context));
  return 0;
}

}  // namespace NVS_SDK_V160
