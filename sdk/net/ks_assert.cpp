#include "net/ks_assert.h"

#include <cstdio>
#include <cstdlib>

#include "net/log.h"

namespace kestrune {

// The log line goes wherever the library's lines go; standard error gets it
// too, because a host that hides the library's output must still see why
// the process stopped.
void assert_failed(const char* condition, const char* file, int line) {
  sdk_log("Kestrune", LOG_FATAL, "Thread rule broken at %s:%d: %s", file, line, condition);
  std::fprintf(stderr, "%s:%d: rule broken: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace kestrune
