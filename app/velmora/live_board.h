// The block of rows a live display keeps at the bottom of a terminal and
// redraws in place. Rows are cut to the terminal's width so that none wraps
// (a wrapped row would leave a stale copy behind on every redraw); lines
// printed through the board appear above it. When the rows do not fit the
// screen's height the board stays hidden and the caller shows plain lines.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace velmora {

class LiveBoard {
public:
  explicit LiveBoard(std::FILE* out);

  // Draws `rows` in place of the rows drawn before. False (and nothing
  // drawn) when they do not fit the screen.
  bool show(const std::vector<std::string>& rows);
  // Prints a line above the board, on `stream` (the board's own output or,
  // for the library's lines, standard error on the same terminal).
  void line(const std::string& text, std::FILE* stream = nullptr);
  // Removes the board from the screen.
  void clear();
  // Removes it for good: later lines are printed without a board below.
  void close() {
    clear();
    rows_.clear();
  }

private:
  void draw();

  std::FILE* out_;
  int fd_;
  std::vector<std::string> rows_;
  int drawn_ = 0;  // rows on the screen now
};

}  // namespace velmora
