#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "kestrune_sha1.h"
#include "net/md5.h"
#include "net/sha1.h"

using namespace kestrune;
using NVS_SDK_V160::Sha1Context;

namespace {

std::string hex(const unsigned char* d, int n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += digits[d[i] >> 4];
    s += digits[d[i] & 15];
  }
  return s;
}

std::string md5_hex(const std::string& text) {
  unsigned char d[16];
  Md5::digest(text.data(), text.size(), d);
  return hex(d, 16);
}

std::string sha1_exported(const std::string& text, std::size_t piece) {
  Sha1Context ctx;
  EXPECT_EQ(0, NVS_SDK_V160::_SHA1Init(&ctx));
  std::string copy = text;
  for (std::size_t off = 0; off < copy.size(); off += piece) {
    std::size_t n = std::min(piece, copy.size() - off);
    EXPECT_EQ(0, NVS_SDK_V160::_SHA1Update(
                     &ctx, reinterpret_cast<unsigned char*>(&copy[off]), n));
  }
  unsigned char d[20];
  EXPECT_EQ(0, NVS_SDK_V160::_SHA1Final(d, &ctx));
  return hex(d, 20);
}

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", md5_hex(""));
  EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", md5_hex("a"));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", md5_hex("abc"));
  EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", md5_hex("message digest"));
  EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", md5_hex("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
            md5_hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
  EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
            md5_hex("1234567890123456789012345678901234567890"
                    "1234567890123456789012345678901234567890"));
}

TEST(Md5, PiecewiseUpdateMatchesOneShot) {
  std::string text(1000, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7);
  for (std::size_t piece : {1u, 3u, 63u, 64u, 65u, 500u}) {
    Md5 md5;
    for (std::size_t off = 0; off < text.size(); off += piece) {
      md5.update(text.data() + off, std::min(piece, text.size() - off));
    }
    unsigned char d[16];
    md5.final(d);
    EXPECT_EQ(md5_hex(text), hex(d, 16)) << "piece " << piece;
  }
}

TEST(Sha1, Fips180VectorsThroughBothInterfaces) {
  const std::string abc = "abc";
  const std::string msg448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  const std::string million(1000000, 'a');
  struct Case {
    const std::string& text;
    const char* digest;
  } cases[] = {
      {abc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {msg448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const Case& c : cases) {
    unsigned char d[20];
    Sha1::digest(c.text.data(), c.text.size(), d);
    EXPECT_EQ(c.digest, hex(d, 20));
    EXPECT_EQ(c.digest, sha1_exported(c.text, c.text.size()));
    EXPECT_EQ(c.digest, sha1_exported(c.text, 7));  // blocks split across updates
  }
}

TEST(Sha1, ExportedNullPointersAndFinalClearsContext) {
  Sha1Context ctx;
  unsigned char data[4] = {1, 2, 3, 4};
  unsigned char d[20];
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Init(nullptr));
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Init(&ctx));
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Update(nullptr, data, 4));
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Update(&ctx, nullptr, 4));
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Final(nullptr, &ctx));
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Final(d, nullptr));
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Update(&ctx, data, 4));
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Final(d, &ctx));
  Sha1Context zero;
  std::memset(&zero, 0, sizeof(zero));
  EXPECT_EQ(0, std::memcmp(&ctx, &zero, sizeof(ctx)));
}

TEST(Sha1, UpdateRefusesBitCountOverflow) {
  Sha1Context ctx;
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Init(&ctx));
  ctx.length_low = 0xFFFFFFF0u;  // two bytes short of 2^64 bits
  ctx.length_high = 0xFFFFFFFFu;
  unsigned char two[2] = {0, 0};
  EXPECT_EQ(1, NVS_SDK_V160::_SHA1Update(&ctx, two, 2));
  EXPECT_EQ(0xFFFFFFF0u, ctx.length_low);  // nothing absorbed
  EXPECT_EQ(0, NVS_SDK_V160::_SHA1Update(&ctx, two, 1));
}

TEST(Sha1, ContextByteImage) {
  Sha1Context ctx;
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Init(&ctx));
  unsigned char data[3] = {'a', 'b', 'c'};
  ASSERT_EQ(0, NVS_SDK_V160::_SHA1Update(&ctx, data, 3));

  unsigned char expected[92] = {};
  const unsigned int h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  for (int i = 0; i < 5; ++i) {
    for (int b = 0; b < 4; ++b) expected[i * 4 + b] = static_cast<unsigned char>(h[i] >> (8 * b));
  }
  expected[20] = 24;  // 3 bytes = 24 bits, low word, little-endian
  expected[28] = 'a';
  expected[29] = 'b';
  expected[30] = 'c';
  unsigned char image[92];
  std::memcpy(image, &ctx, sizeof(image));
  EXPECT_EQ(0, std::memcmp(expected, image, sizeof(image)));
  EXPECT_EQ(20u, offsetof(Sha1Context, length_low));
  EXPECT_EQ(24u, offsetof(Sha1Context, length_high));
  EXPECT_EQ(28u, offsetof(Sha1Context, block));
}
