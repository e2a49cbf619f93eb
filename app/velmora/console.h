// Console output of the headless modes. The library writes its own log lines
// to standard output; Console keeps the terminal for our display and sends
// those lines to /dev/null or, with --verbose, to standard error: directly,
// or through a pipe that the display reads when a live board is shown, so
// the lines appear above the board instead of tearing it.
#pragma once

#include <QString>

#include <cstdio>
#include <string>

namespace velmora {

class Console {
public:
  // Takes over standard output. Call once, before the library starts.
  static void capture(bool library_lines_to_stderr);
  static std::FILE* out();      // our display
  static bool interactive();    // the display may draw a live board
  // Read end of the pipe carrying the library's lines; -1 when they go
  // straight to standard error or nowhere.
  static int library_lines_fd();
  // Sends the library's lines straight to standard error from now on.
  static void library_lines_direct();
};

std::string now_text();  // local date and time, "2026-12-08T21:04:05"
std::string human_bytes(unsigned long long bytes);
// "label         value\n": the label padded to a column, wide characters
// counted as two.
std::string field_line(const QString& label, const std::string& value, int columns = 14);

}  // namespace velmora
