// The exported facade: every instance forwards to the one detector.
#include "camera_detect_module.h"

#include <mutex>

#include "detect/camera_detector.h"

namespace NVS_SDK_V160 {

Camera_Detect_Module* Camera_Detect_Module::m_pInstance = nullptr;

namespace {
// Frees the object GetInstance made when the library unloads.
struct InstanceOwner {
  ~InstanceOwner() {
    delete Camera_Detect_Module::m_pInstance;
    Camera_Detect_Module::m_pInstance = nullptr;
  }
} g_instance_owner;
}  // namespace

Camera_Detect_Module::~Camera_Detect_Module() = default;

Camera_Detect_Module* Camera_Detect_Module::GetInstance() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (m_pInstance == nullptr) m_pInstance = new Camera_Detect_Module();
  });
  return m_pInstance;
}

void Camera_Detect_Module::RegisterCallback(ICameraDetectNotify* notify) {
  kestrune::CameraDetector::instance().register_callback(notify);
}
int Camera_Detect_Module::Start() { return kestrune::CameraDetector::instance().start(); }
int Camera_Detect_Module::Stop() { return kestrune::CameraDetector::instance().stop(); }
int Camera_Detect_Module::Suspend() { return kestrune::CameraDetector::instance().suspend(); }
int Camera_Detect_Module::Resume() { return kestrune::CameraDetector::instance().resume(); }

}  // namespace NVS_SDK_V160
