// velmora-demo: simulated cameras and a simulated video server on loopback,
// synchronised by the real engine; "velmora --demo" runs this program.
#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "modes.h"
#include "translation.h"

int main(int argc, char** argv) {
  using namespace velmora;
  bool window = false;
  for (int i = 1; i < argc; ++i) window = window || std::strcmp(argv[i], "--window") == 0;
  std::unique_ptr<QCoreApplication> app;
  if (window) {
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
  install_translation();
  DemoOptions options;
  options.window = window;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--verbose") {
      options.verbose = true;
      continue;
    }
    if (a == "--window") continue;
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
    std::fprintf(stderr, "Usage: velmora-demo [--cameras N (1-20)] [--keep] [--verbose] [--window]\n");
    return kExitUsage;
  }
  return run_demo(options);
}
