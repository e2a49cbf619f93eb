// Free space of the file system that holds the downloads, and the check that
// keeps a run from filling it; whoever checks may bring a probe of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace velmora {

// Bytes an unprivileged writer may still use on the file system of `path`
// (the nearest existing folder above it when it does not exist yet); -1 when
// that cannot be found out.
using FreeSpaceProbe = std::function<std::int64_t(const std::string& path)>;

std::int64_t free_space(const std::string& path);

// True when writing may go on: the guard is off, the free space is unknown,
// or at least `min_free` bytes are free. `free_bytes` gets what was found;
// `probe` (when given) is asked instead of the file system.
bool enough_space(const std::string& root, std::int64_t min_free, std::int64_t& free_bytes,
                  const FreeSpaceProbe& probe = {});

// "1.5 GiB"-style text of a byte count, for messages.
std::string byte_text(std::int64_t bytes);

// The message that ends a camera's run on a full disk.
std::string disk_full_reason(const std::string& root, std::int64_t free_bytes,
                             std::int64_t min_free);

}  // namespace velmora
