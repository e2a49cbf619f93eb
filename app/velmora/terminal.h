// What the console display may do on the terminal it writes to: move the
// cursor for a live board, how wide and tall the screen is, and whether the
// output goes to the system journal (a service: plain lines only).
#pragma once

#include <string>

namespace velmora {

struct TerminalInfo {
  bool tty = false;              // the descriptor is a terminal
  bool can_move_cursor = false;  // a terminal whose TERM understands cursor codes
  bool journal = false;          // started as a service whose output the journal keeps
  int columns = 80;
  int rows = 24;

  // A live board is drawn only where the cursor can move and no journal reads it.
  bool live() const { return can_move_cursor && !journal; }
};

// Looks at the descriptor and at TERM and JOURNAL_STREAM. The size is read
// again on every call, so callers follow resizes by asking again.
TerminalInfo probe_terminal(int fd);

// Columns a UTF-8 text takes on a terminal (wide characters count two,
// invalid bytes one).
int display_width(const std::string& utf8);

// The longest prefix of `utf8` that fits in `columns`, never splitting a
// character.
std::string cut_to_width(const std::string& utf8, int columns);

}  // namespace velmora
