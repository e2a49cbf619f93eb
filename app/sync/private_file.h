// Files that hold passwords or private settings: created readable and
// writable by their owner only, and tightened to that when they already
// exist with a wider mode.
#pragma once

#include <cstdio>
#include <string>

namespace velmora {

// Opens `path` for writing in byte mode, truncated, mode 0600. Null on
// failure (errno says why).
std::FILE* open_private(const std::string& path);

}  // namespace velmora
