// Reaches the engine behind a Camera_Module from inside the library: tests
// and tools use it to connect to a simulated camera on a port other than the
// fixed camera port, or to look at the engine's tables.
#pragma once

#include "camera_module.h"
#include "device/camera_driver_module.h"

namespace kestrune {

class CameraModuleAccess {
public:
  static CameraDriverModule* engine(NVS_SDK_V160::Camera_Module& module) { return module.engine_; }
};

}  // namespace kestrune
