// Listening for the cameras that announce themselves on the local network,
// from the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

constexpr int kDefaultDiscoverSeconds = 5;

// "velmora cameras discover [--seconds N]"; args follow "discover".
int run_discover_command(const std::vector<std::string>& args);

// Listens up to `seconds` for camera `id`; its dotted address, or "" when it
// was not heard (a reason is printed on standard error).
std::string discover_address(std::int32_t id, int seconds);

}  // namespace velmora
