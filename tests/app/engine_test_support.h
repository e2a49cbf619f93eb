// Helpers of the engine tests: simulated recordings and their bytes, and a
// controller profile of a test's own that talks to no sibling.
#pragma once

#include <QTemporaryDir>

#include <cstdint>
#include <map>
#include <string>

#include "camsim.h"
#include "sync_controller.h"

namespace velmora::test {

inline camsim::Recording rec(const std::string& name, std::uint32_t size, std::uint8_t kind,
                             std::uint32_t key) {
  camsim::Recording r;
  r.name = name;
  r.size = size;
  r.kind = kind;
  r.key = key;
  return r;
}

inline std::string content(const camsim::Recording& r) {
  auto bytes = camsim::generated_content(r);
  return std::string(bytes.begin(), bytes.end());
}

// Simulated cameras listen on ports the system picks; the engine finds each
// one by its camera's address (an address without a simulator: 9996).
struct SimPorts {
  std::map<std::string, std::uint16_t> by_address;

  void add(const std::string& address, std::uint16_t port) { by_address[address] = port; }
  CameraPortOf lookup() const {
    return [this](const CameraRecord& r) {
      auto it = by_address.find(address_text(r));
      return it == by_address.end() ? kCameraPort : it->second;
    };
  }
};

// Files under `dir`, no link endpoint, no automatic or retry timers.
inline ControllerOptions quiet_controller_options(const QTemporaryDir& dir) {
  ControllerOptions o;
  o.paths = AppPaths::at(dir.path().toStdString());
  o.link_dir = dir.path() + "/link";
  o.listen_link = false;
  o.periodic_timers = false;
  return o;
}

}  // namespace velmora::test
