// Files that hold passwords or private settings: created readable and
// writable by their owner only, and tightened to that when they already
// exist with a wider mode. State files are replaced whole, never rewritten
// in place.
#pragma once

#include <cstdio>
#include <string>

namespace velmora {

// Opens `path` for writing in byte mode, truncated, mode 0600. Null on
// failure (errno says why).
std::FILE* open_private(const std::string& path);

// Replaces `path` with `bytes` in one step: written to a hidden file beside
// it, flushed to the disk, renamed over the old file, and the folder flushed.
// A crash or a full disk at any moment leaves the old content or the new one,
// never an empty or half file. The new file has mode 0600. False (errno says
// why) when anything failed; the old file is then untouched.
bool replace_private_file(const std::string& path, const std::string& bytes);

// The hidden file a replacement of `path` is written to: "." + name +
// ".saving" in the same folder. Readers never open it; one left by a crash is
// overwritten by the next save.
std::string saving_path(const std::string& path);

}  // namespace velmora
