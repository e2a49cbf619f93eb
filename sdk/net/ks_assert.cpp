#include "net/ks_assert.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune {

void assert_failed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: rule broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace kestrune
