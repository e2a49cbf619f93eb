// Console output of the headless modes. The library writes its own log lines
// to standard output; Console keeps the terminal for our display and sends
// those lines to /dev/null (or to standard error with --verbose).
#pragma once

#include <cstdio>
#include <string>

namespace velmora {

class Console {
public:
  // Takes over standard output. Call once, before the library starts.
  static void capture(bool library_lines_to_stderr);
  static std::FILE* out();      // our display
  static bool interactive();    // the display is a terminal
};

std::string now_text();  // "HH:MM:SS"
std::string human_bytes(unsigned long long bytes);

}  // namespace velmora
