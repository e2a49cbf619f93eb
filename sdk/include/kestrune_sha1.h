// SHA-1 (FIPS 180-1) as exported by the library.
#pragma once

#include "kestrune_export.h"

namespace NVS_SDK_V160 {

#pragma pack(push, 1)
struct Sha1Context {
  unsigned int state[5];      // chaining words
  unsigned int length_low;    // message length in bits, low word
  unsigned int length_high;   // and high word
  unsigned char block[64];
};
#pragma pack(pop)
static_assert(sizeof(Sha1Context) == 92, "Sha1Context layout");

// Each returns 0, or 1 on a null pointer (and _SHA1Update on a bit count
// that would overflow 64 bits).
KESTRUNE_API int _SHA1Init(Sha1Context* context);
KESTRUNE_API int _SHA1Update(Sha1Context* context, unsigned char* data, unsigned long length);
KESTRUNE_API int _SHA1Final(unsigned char* const digest, Sha1Context* context);

}  // namespace NVS_SDK_V160
