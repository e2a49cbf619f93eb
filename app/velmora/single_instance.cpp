// The single-instance lock of every mode that runs the engine.
#include <cstdio>

#include "instance_lock.h"
#include "modes.h"
#include "runtime_dir.h"

namespace velmora {

namespace {
InstanceLock g_lock;  // held until the process ends
}  // namespace

bool acquire_instance_lock() {
  if (g_lock.acquire(runtime_dir())) return true;
  std::fprintf(stderr, "velmora: another Velmora instance is running; exiting.\n");
  return false;
}

}  // namespace velmora
