// Camera_Module: the application's handle on one camera. Every request
// returns at once (0 = handed to the connection, -1 = refused); answers come
// back on the reactor thread through the registered INVDMessageHandler.
#pragma once

#include <string>

#include "camera_config.h"
#include "camera_records.h"
#include "kestrune_export.h"
#include "nvd_message_handler.h"

namespace kestrune {
class CameraDriverModule;
class CameraModuleAccess;
}

namespace NVS_SDK_V160 {

class KESTRUNE_API Camera_Module {
public:
  Camera_Module();
  // Drops the module's hold on its engine; an engine still connected lives
  // on until its connection has closed. Disconnect first.
  virtual ~Camera_Module();
  Camera_Module(const Camera_Module&) = delete;
  Camera_Module& operator=(const Camera_Module&) = delete;

  // --- session, catalogue, downloads, playback, recording, live streams ---
  void RegisterMsgHandler(INVDMessageHandler* handler);  // null unregisters
  // ip: dotted IPv4; password: 16-byte block (NUL-terminated, zero padded).
  // 0 = connecting (or already busy); other = the connect failure.
  int ConnectLocalCamera(const char* ip, unsigned char* const password);
  // As ConnectLocalCamera, to a camera that listens on another TCP port than
  // the cameras' 9996 (a simulated camera, say).
  int ConnectLocalCameraAt(const char* ip, unsigned short port, unsigned char* const password);
  int DisconnectCamera();
  int GetStatus() const;  // 0 idle, 1 connecting, 2 logged in

  int RequestVideoData(bool on);
  int RequestAudioData(bool on);
  int RequestCameraRecord(unsigned int duration);
  int RequestCameraRecordDelay(int value);
  int RequestStopCameraRecord();
  int RequestCameraRecordInfomation();
  int RequestCameraRecordList(unsigned short first, unsigned short count);
  int RequestWarningRecordInfomation();
  int RequestWarningRecordList(unsigned short first, unsigned short count);
  int RequestDelCameraFile(int n, char (*names)[32]);
  int RequestDownLoadRecord(int download_id, char* const file_name, unsigned int offset,
                            unsigned int length);
  int RequestPauseDownLoad(int download_id, char* const file_name);
  int RequestResumeDownLoad(int download_id, char* const file_name, unsigned int offset,
                            unsigned int length);
  int RequestCancelDownLoad(int download_id, char* const file_name);
  int RequestRemoteRecordPlay(int play_id, const std::string& file_name,
                              const REC_PLAY_PARAM& param);
  int RequestRemoteRecordPlayCtrl(int play_id, _VIF_PLAYING_CTRL ctrl,
                                  const REC_PLAY_PARAM& param);

  // --- connection through the video server's relay ---
  // 0 = connecting; -1 = busy; other = connect failure.
  int ConnectRemoteCamera(const char* ip, unsigned short port);
  void SetNVTInfo(const CAMERA_INFO& info);
  void SetRelayKey(unsigned char* const key);  // 48 bytes
  void SetVIFsUserInfo(const BaseUserInfo& user);

  // --- media, talk-back and PTZ ---
  int RegOwnVideoFrameFunc(OwnVideoFrameFunc callback);  // null removes
  int CameraPTZCommand(int command);  // 51 up, 52 down, 53 left, 54 right, 69 scan, 70 stop
  int RequestSpeak(bool on);
  int SendAudioData(unsigned char* data, int n, unsigned long value);  // n <= 1380
  unsigned long GetMediaDataByteCount();  // since the last call; resets
  // null: ask the camera; otherwise fill from the last report.
  int GetVideoMediaSettings(MEDIA_CONFIG* config);
  int SetVideoMediaSettings(const MEDIA_CONFIG& config);

  // --- device configuration ---
  int Get3GSignalStrength();
  int GetEthernetConfigure();
  int GetWIFIConfigure();
  int GetServiceConfigure();
  int GetAlarmConfigure();
  int Get3GConfigure();
  int Get3GStatus();
  int GetRecordConfigure();
  int GetAdminPassConfigure();
  int GetPTZConfigure();
  int SetEthernetConfigure(const ETH_CONFIG& config);
  int SetWIFIConfigure(const WIFI_CONFIG& config);
  int SetServiceConfigure(const SERVICE_CONFIG& config);
  int SetAlarmConfigure(const ALARM_CONFIG& config);
  int Set3GConfigure(const _3G_CONFIG& config);
  int SetRecordConfigure(const RECORD_CONFIG& config);
  int UpdateRecordPlan(const RECORD_PLAN& plan);
  int SetAdminPassConfigure(const ADMIN_PASS_CONFIG& config);
  int SetPTZConfigure(const PTZ_CONFIG& config);
  int UpdatePTZDefaultPos(const PTZ_CHANGE& change);
  int TurnToDefaultPos(int index);  // preset 1 to 5
  int SetWIFIUpdateAp();

private:
  friend class kestrune::CameraModuleAccess;  // the library's own tests and tools
  kestrune::CameraDriverModule* engine_;
};

}  // namespace NVS_SDK_V160
