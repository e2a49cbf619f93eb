// The per-user runtime folder: the link endpoints and the single-instance
// lock live there.
#pragma once

#include <string>

namespace velmora {

// $XDG_RUNTIME_DIR, else a private folder under $TMPDIR (or /tmp), created
// on demand.
std::string runtime_dir();

}  // namespace velmora
