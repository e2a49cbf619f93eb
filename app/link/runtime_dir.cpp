#include "runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace velmora {

std::string runtime_dir() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) return xdg;
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/velmora-" +
                    std::to_string(static_cast<unsigned long>(::getuid()));
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

}  // namespace velmora
