#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "net/md5.h"
#include "net/sha1.h"
#include "nvssim.h"
#include "server/login_digest.h"
#include "sim_digest.h"

namespace {

std::string hex(const std::uint8_t* d, int n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += digits[d[i] >> 4];
    s += digits[d[i] & 15];
  }
  return s;
}

std::string md5_hex(const std::string& text) {
  std::uint8_t d[16];
  simdigest::md5(text.data(), text.size(), d);
  return hex(d, 16);
}

std::string sha1_hex(const std::string& text) {
  std::uint8_t d[20];
  simdigest::sha1(text.data(), text.size(), d);
  return hex(d, 20);
}

}  // namespace

TEST(SimDigest, PublishedValues) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", md5_hex(""));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", md5_hex("abc"));
  EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a",
            md5_hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"));
  EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", sha1_hex(""));
  EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", sha1_hex("abc"));
  EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
            sha1_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
}

// Every length around the one- and two-block padding boundaries, against the
// library's streaming code.
TEST(SimDigest, AgreesWithTheLibraryAtEveryPaddingBoundary) {
  std::string text;
  for (std::size_t n = 0; n <= 200; ++n) {
    std::uint8_t mine_md5[16], lib_md5[16], mine_sha[20], lib_sha[20];
    simdigest::md5(text.data(), text.size(), mine_md5);
    kestrune::Md5::digest(text.data(), text.size(), lib_md5);
    simdigest::sha1(text.data(), text.size(), mine_sha);
    kestrune::Sha1::digest(text.data(), text.size(), lib_sha);
    EXPECT_EQ(0, std::memcmp(mine_md5, lib_md5, 16)) << "MD5 of " << n << " bytes";
    EXPECT_EQ(0, std::memcmp(mine_sha, lib_sha, 20)) << "SHA-1 of " << n << " bytes";
    text += static_cast<char>('a' + n % 26);
  }
}

// The simulated server accepts exactly what the library sends, for the
// reserved account (decimal challenge, negative above 2^31) and any other.
TEST(SimDigest, ServerLoginRuleMatchesTheLibrary) {
  const std::uint32_t challenges[] = {0, 7, 0x7fffffffu, 0x80000000u, 0xfffffffeu};
  const std::string passwords[] = {"", "pw", "exactly-16-bytes", "a password longer than sixteen"};
  for (const char* user : {"vomul", "admin", "Vomul"}) {
    for (std::uint32_t c : challenges) {
      for (const std::string& pw : passwords) {
        unsigned char lib[16], sim[16];
        kestrune::vifs::login_digest(user, pw.c_str(), c, lib);
        nvssim::expected_digest(user, pw, c, sim);
        EXPECT_EQ(0, std::memcmp(lib, sim, 16)) << user << " " << c << " '" << pw << "'";
      }
    }
  }
}
