#include "server/login_digest.h"

#include <cstdio>
#include <cstring>

#include "kestrune_sha1.h"
#include "net/md5.h"

namespace kestrune::vifs {

void login_digest(const char* user, const char* password, std::uint32_t challenge,
                  unsigned char out[16]) {
  if (user == nullptr) user = "";
  if (password == nullptr) password = "";
  if (std::strcmp(user, kReservedAccount) == 0) {
    unsigned char input[32] = {};
    char text[16] = {};
    // The challenge as a signed number: values above 2^31 show a minus sign.
    std::snprintf(text, sizeof text, "%d", static_cast<std::int32_t>(challenge));
    std::memcpy(input, text, std::strlen(text));
    std::memcpy(input + 16, password, strnlen(password, 16));
    Md5::digest(input, sizeof input, out);
    return;
  }
  unsigned char input[24];
  for (int i = 0; i < 4; ++i) input[i] = static_cast<unsigned char>(challenge >> (8 * i));
  NVS_SDK_V160::Sha1Context context;
  NVS_SDK_V160::_SHA1Init(&context);
  NVS_SDK_V160::_SHA1Update(&context,
                            reinterpret_cast<unsigned char*>(const_cast<char*>(password)),
                            static_cast<unsigned long>(std::strlen(password)));
  NVS_SDK_V160::_SHA1Final(input + 4, &context);
  Md5::digest(input, sizeof input, out);
}

}  // namespace kestrune::vifs
