// SHA-1 over a whole message at once, like md5.cpp.
#include <cstring>

#include "sim_digest.h"

namespace simdigest {

namespace {

std::uint32_t rotate_left(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void block(std::uint32_t h[5], const std::uint8_t* p) {
  std::uint32_t w[80];
  for (int i = 0; i < 16; ++i)
    w[i] = std::uint32_t{p[4 * i]} << 24 | std::uint32_t{p[4 * i + 1]} << 16 |
           std::uint32_t{p[4 * i + 2]} << 8 | std::uint32_t{p[4 * i + 3]};
  for (int i = 16; i < 80; ++i) w[i] = rotate_left(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5a827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ed9eba1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8f1bbcdc;
    } else {
      f = b ^ c ^ d;
      k = 0xca62c1d6;
    }
    const std::uint32_t next = rotate_left(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = rotate_left(b, 30);
    b = a;
    a = next;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
}

}  // namespace

void sha1(const void* data, std::size_t size, std::uint8_t out[20]) {
  std::uint32_t h[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t left = size;
  for (; left >= 64; left -= 64, p += 64) block(h, p);
  std::uint8_t tail[128] = {};
  if (left > 0) std::memcpy(tail, p, left);
  tail[left] = 0x80;
  const std::size_t tail_size = left < 56 ? 64 : 128;
  const std::uint64_t bits = std::uint64_t{size} * 8;
  for (int i = 0; i < 8; ++i)
    tail[tail_size - 1 - static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  for (std::size_t off = 0; off < tail_size; off += 64) block(h, tail + off);
  for (int i = 0; i < 20; ++i) out[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
}

}  // namespace simdigest
