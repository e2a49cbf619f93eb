// velmora-demo: simulated cameras and a simulated video server on loopback,
// synchronised by the real engine; "velmora --demo" runs this program.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "modes.h"

int main(int argc, char** argv) {
  using namespace velmora;
  QCoreApplication app(argc, argv);
  DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--verbose") {
      options.verbose = true;
      continue;
    }
    if (a == "--keep") {
      options.keep = true;
      continue;
    }
    if (a == "--cameras" && i + 1 < argc) {
      const std::string n = argv[++i];
      char* end = nullptr;
      const long v = std::strtol(n.c_str(), &end, 10);
      if (!n.empty() && *end == '\0' && v >= 1 && v <= 20) {
        options.cameras = static_cast<int>(v);
        continue;
      }
    }
    std::fprintf(stderr, "Usage: velmora-demo [--cameras N (1-20)] [--keep] [--verbose]\n");
    return kExitUsage;
  }
  return run_demo(options);
}
