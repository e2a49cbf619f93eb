// Text from a camera, a server or another program shown on a terminal or in
// a log line: control characters (C0, DEL and C1) and backslashes are written
// as escapes, so such text can never move the cursor, recolour or retitle
// the terminal, or forge a line of its own.
#pragma once

#include <string>

namespace velmora {

std::string printable_text(const std::string& text);

}  // namespace velmora
