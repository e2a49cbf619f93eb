#include "live_board.h"

#include "terminal.h"

namespace velmora {

LiveBoard::LiveBoard(std::FILE* out) : out_(out), fd_(fileno(out)) {}

void LiveBoard::clear() {
  if (drawn_ == 0) return;
  std::fprintf(out_, "\x1b[%dA\r\x1b[J", drawn_);
  drawn_ = 0;
  std::fflush(out_);
}

void LiveBoard::draw() {
  // The size is read on every redraw, so the board follows a resized window.
  const TerminalInfo t = probe_terminal(fd_);
  // Keep one line free for the cursor and one for the line being printed.
  if (rows_.empty() || static_cast<int>(rows_.size()) > t.rows - 2) return;
  // The last column is left empty: writing into it makes some terminals
  // wrap at once.
  const int width = t.columns > 1 ? t.columns - 1 : 1;
  for (const std::string& r : rows_) std::fprintf(out_, "%s\n", cut_to_width(r, width).c_str());
  drawn_ = static_cast<int>(rows_.size());
}

bool LiveBoard::show(const std::vector<std::string>& rows) {
  rows_ = rows;
  clear();
  draw();
  std::fflush(out_);
  return drawn_ > 0 || rows_.empty();
}

void LiveBoard::line(const std::string& text, std::FILE* stream) {
  clear();
  if (stream && stream != out_) {
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
  } else {
    std::fprintf(out_, "%s\n", text.c_str());
  }
  draw();
  std::fflush(out_);
}

}  // namespace velmora
