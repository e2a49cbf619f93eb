// The single-instance lock of every mode that runs the engine.
#include <QCoreApplication>

#include <cstdio>

#include "instance_lock.h"
#include "modes.h"
#include "runtime_dir.h"

namespace velmora {

namespace {
InstanceLock g_lock;  // held until the process ends
}  // namespace

bool acquire_instance_lock(bool report) {
  const std::string dir = runtime_dir();
  if (g_lock.acquire(dir)) return true;
  if (!report) return false;
  const long pid = InstanceLock::holder_pid(dir);
  if (pid > 0) {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                                    "Console",
                                    "Velmora is already running (PID %1). 'velmora sync' starts a "
                                    "run in it;\n  'velmora cameras' and 'velmora settings' "
                                    "changes reach it directly. Stop it first (kill %1) to run "
                                    "another.")
                                    .arg(pid)));
  } else {
    std::fprintf(stderr, "velmora: %s\n",
                 qUtf8Printable(QCoreApplication::translate(
                     "Console", "another Velmora instance is running; exiting.")));
  }
  return false;
}

}  // namespace velmora
