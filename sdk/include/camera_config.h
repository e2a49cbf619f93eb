// Device configuration records (network, wireless, server registration,
// alarms, modem, recording, administrator, pan-tilt head). Declared here so
// the module's interface is stable; their layouts are added with the
// configuration operations.
#pragma once

namespace NVS_SDK_V160 {

struct ETH_CONFIG;
struct WIFI_CONFIG;
struct SERVICE_CONFIG;
struct ALARM_CONFIG;
struct _3G_CONFIG;
struct _3G_STATUS;
struct RECORD_CONFIG;
struct RECORD_PLAN;
struct ADMIN_PASS_CONFIG;
struct PTZ_CONFIG;
struct PTZ_CHANGE;

// A server user's identity, as the server client holds it.
class BaseUserInfo;

}  // namespace NVS_SDK_V160
