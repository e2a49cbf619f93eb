// Library start and stop.
#pragma once

#include "kestrune_export.h"

namespace NVS_SDK_V160 {

// Starts the reactor thread; 0, or -1 when the socket layer cannot start.
KESTRUNE_API int Camera_SDK_Initialize();
// Stops the reactor thread and waits for it; always 0. Never call it from a
// library callback.
KESTRUNE_API int Camera_SDK_Finalize();
// The library's version: one hexadecimal digit each for the major, minor and
// patch numbers, then a zero digit (version a.b.c gives 0xabc0).
KESTRUNE_API unsigned int Camera_SDK_GetVersion();

}  // namespace NVS_SDK_V160
