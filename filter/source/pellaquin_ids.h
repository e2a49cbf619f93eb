#pragma once
// The identity under which the recording source is registered with the host.
#include "guid.h"

namespace pellaquin {

inline constexpr Guid CLSID_Pellaquin{0xdc48363c, 0xaf04, 0x4514, {0x90, 0x4c, 0xc2, 0x64, 0xe1, 0xe3, 0x81, 0x57}};
inline constexpr const char* kTemplateName = "ZRV File Reader of PC";
inline constexpr const char* kFilterName = "ZRV Source Filter";
inline constexpr unsigned kFilterMerit = 0x200000;  // normal merit
// Registered pin order (the filter itself numbers video first).
inline constexpr const char* kRegisteredPins[] = {"Audio", "Video"};
inline constexpr const char* kVideoPinName = "Video";
inline constexpr const char* kAudioPinName = "Audio";

inline constexpr Guid MEDIASUBTYPE_HMIX = FourccGuid(MakeFourcc('H', 'M', 'I', 'X'));
inline constexpr Guid MEDIASUBTYPE_AMR = FourccGuid(MakeFourcc('A', 'M', 'R', ' '));

}  // namespace pellaquin
