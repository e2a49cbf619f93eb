// Camera_Detect_Module: hears the cameras announcing themselves on the local
// network (UDP port 51010) and reports, through ICameraDetectNotify, each
// camera that appears and each one that has not been heard for a while.
#pragma once

#include <cstdint>

#include "kestrune_export.h"

namespace NVS_SDK_V160 {

#pragma pack(push, 1)
// One discovered camera, as built from its announcement. The library owns it;
// a notify copies what it needs before returning.
struct DetectedCamera {
  std::uint32_t ip_address;       // host order: the first dotted number is the top byte
  std::uint32_t address_word2;    // second address word, passed on as it came
  std::uint8_t zero8[4];
  std::uint32_t valid;            // 1, or 0 for a short announcement into a non-empty list
  std::uint64_t camera_id;
  std::uint16_t value1;
  std::uint16_t value2;
  std::uint16_t value3;
  std::uint8_t zero30[2];
  std::uint8_t tag[6];            // interface tag (long announcements only)
  std::uint8_t zero38[2];
  std::int32_t seen;              // announcements heard since the last sweep
  std::uint8_t zero44[4];
};
#pragma pack(pop)
static_assert(sizeof(DetectedCamera) == 48, "DetectedCamera layout");

// Implemented by the host program. Calls arrive on the library's receiver
// thread (found) and sweep thread (lost), never at the same time.
// The two slots keep this order; size is always 48.
class ICameraDetectNotify {
public:
  virtual void OnCameraFound(const DetectedCamera* record, int size) = 0;
  virtual void OnCameraLost(const DetectedCamera* record, int size) = 0;

protected:
  ~ICameraDetectNotify() = default;  // the library never deletes a notify
};

// Every instance works on the one process-wide detector.
class KESTRUNE_API Camera_Detect_Module {
public:
  Camera_Detect_Module() = default;
  virtual ~Camera_Detect_Module();

  static Camera_Detect_Module* GetInstance();  // created on first call
  static Camera_Detect_Module* m_pInstance;    // owned; freed when the library unloads

  void RegisterCallback(ICameraDetectNotify* notify);  // replaces any earlier one
  int Start();    // 0 listening; -1 socket cannot be bound, or already started
  int Stop();     // 0 ended (or none); returns once the receiver has ended
  int Suspend();  // 0 suspended; -1 nothing running
  int Resume();   // 0; -1 when no new socket can be made
};

}  // namespace NVS_SDK_V160
