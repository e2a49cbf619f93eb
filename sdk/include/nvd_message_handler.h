// Callback interface for one camera. Every call comes on the library's
// reactor thread; pointers point into the library's receive buffer and are
// valid only during the call ("body" = the message after its 6-byte header).
#pragma once

#include "camera_config.h"

namespace NVS_SDK_V160 {

class INVDMessageHandler {
public:
  virtual void OnMessage26(const char* body) { (void)body; }
  virtual void OnHeartBeat() {}
  // 0 = logged in; -8 = password refused; otherwise the socket error.
  virtual void OnConnectResult(int result) { (void)result; }
  virtual void OnConnectionClose(int reason) { (void)reason; }
  virtual void OnBaseStationLocation(const char* body) { (void)body; }
  virtual void OnReserved5() {}
  // audio: 1 audio frame, 0 video frame.
  virtual void OnMediaData(const char* data, int length, unsigned int value, int audio) {
    (void)data; (void)length; (void)value; (void)audio;
  }
  // The new values are readable with Camera_Module::GetVideoMediaSettings.
  virtual void OnVideoMediaSettings() {}
  virtual void OnMessage109(const char* body) { (void)body; }
  virtual void On3GSignalStrength(const char* body) { (void)body; }
  virtual void OnRecordStartResponse(const char* body) { (void)body; }
  virtual void OnRecordEndNotify(const char* body) { (void)body; }
  virtual void OnRecordStatisticInfomation(const char* body) { (void)body; }
  virtual void OnRecordListInfomation(const char* body) { (void)body; }
  virtual void OnRecordDelResponse(const char* body) { (void)body; }
  virtual void OnDownloadResponse(const char* body) { (void)body; }
  virtual void OnDownloadData(const char* body) { (void)body; }
  virtual void OnWarningRecordList(const char* body) { (void)body; }
  virtual void OnWarningRecordInfomation(const char* body) { (void)body; }
  // The whole message, header included.
  virtual void OnMessage6(const char* message) { (void)message; }
  virtual void OnMessage114(const char* body) { (void)body; }
  virtual void OnRemotePlayResponse(const char* body) { (void)body; }
  virtual void OnRemotePlayEnd(int play_id, const char* body) { (void)play_id; (void)body; }
  virtual void OnEthernetConfigure(const ETH_CONFIG* config) { (void)config; }
  virtual void OnServiceConfigure(const SERVICE_CONFIG* config) { (void)config; }
  virtual void OnWIFIConfigure(const WIFI_CONFIG* config) { (void)config; }
  virtual void OnAlarmConfigure(const ALARM_CONFIG* config) { (void)config; }
  virtual void On3GConfigure(const _3G_CONFIG* config) { (void)config; }
  virtual void OnRecordConfigure(const RECORD_CONFIG* config) { (void)config; }
  virtual void OnAdminPassConfigure(const ADMIN_PASS_CONFIG* config) { (void)config; }
  // result[0] = the acknowledgement's sub-type, result[1] = the camera's result.
  virtual void OnConfigureResult(const int* result) { (void)result; }
  virtual void On3GStatus(const _3G_STATUS* status) { (void)status; }
  virtual void OnPTZConfigure(const PTZ_CONFIG* config) { (void)config; }
  virtual void OnMessage99(const char* body) { (void)body; }

  virtual ~INVDMessageHandler() = default;
};

}  // namespace NVS_SDK_V160
