// The library's exported start, stop and version functions.
#include "kestrune_sdk.h"

#include "ks_version.h"

#include "net/log.h"
#include "net/reactor.h"

namespace NVS_SDK_V160 {

int Camera_SDK_Initialize() {
  kestrune::log_init();
  return kestrune::SocketReactor::instance()->start();
}

int Camera_SDK_Finalize() {
  kestrune::SocketReactor::instance()->stop_and_wait();
  return 0;
}

unsigned int Camera_SDK_GetVersion() { return KS_VERSION_NUMBER; }

}  // namespace NVS_SDK_V160
