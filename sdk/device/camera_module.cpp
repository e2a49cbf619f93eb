// The exported facade: every operation forwards to the engine it owns.
#include "camera_module.h"

#include "device/camera_driver_module.h"

namespace NVS_SDK_V160 {

Camera_Module::Camera_Module() : engine_(new kestrune::CameraDriverModule()) {}

Camera_Module::~Camera_Module() {
  engine_->release_from_facade();
  engine_->remove_reference();  // a connected engine lives on until its close
}

void Camera_Module::RegisterMsgHandler(INVDMessageHandler* handler) { engine_->set_handler(handler); }

int Camera_Module::ConnectLocalCamera(const char* ip, unsigned char* const password) {
  return engine_->connect_local(ip, password);
}

int Camera_Module::ConnectLocalCameraAt(const char* ip, unsigned short port,
                                        unsigned char* const password) {
  return engine_->connect_local_port(ip, port, password);
}

int Camera_Module::DisconnectCamera() { return engine_->DisconnectCamera(); }
int Camera_Module::GetStatus() const { return engine_->status(); }

int Camera_Module::RequestVideoData(bool on) { return engine_->RequestVideoData(on); }
int Camera_Module::RequestAudioData(bool on) { return engine_->RequestAudioData(on); }
int Camera_Module::RequestCameraRecord(unsigned int duration) {
  return engine_->RequestCameraRecord(duration);
}
int Camera_Module::RequestCameraRecordDelay(int value) { return engine_->RequestCameraRecordDelay(value); }
int Camera_Module::RequestStopCameraRecord() { return engine_->RequestStopCameraRecord(); }
int Camera_Module::RequestCameraRecordInfomation() { return engine_->RequestCameraRecordInfomation(); }
int Camera_Module::RequestCameraRecordList(unsigned short first, unsigned short count) {
  return engine_->RequestCameraRecordList(first, count);
}
int Camera_Module::RequestWarningRecordInfomation() { return engine_->RequestWarningRecordInfomation(); }
int Camera_Module::RequestWarningRecordList(unsigned short first, unsigned short count) {
  return engine_->RequestWarningRecordList(first, count);
}
int Camera_Module::RequestDelCameraFile(int n, char (*names)[32]) {
  return engine_->RequestDelCameraFile(n, names);
}
int Camera_Module::RequestDownLoadRecord(int download_id, char* const file_name, unsigned int offset,
                                         unsigned int length) {
  return engine_->RequestDownLoadRecord(download_id, file_name, offset, length);
}
int Camera_Module::RequestPauseDownLoad(int download_id, char* const file_name) {
  return engine_->RequestPauseDownLoad(download_id, file_name);
}
int Camera_Module::RequestResumeDownLoad(int download_id, char* const file_name, unsigned int offset,
                                         unsigned int length) {
  return engine_->RequestResumeDownLoad(download_id, file_name, offset, length);
}
int Camera_Module::RequestCancelDownLoad(int download_id, char* const file_name) {
  return engine_->RequestCancelDownLoad(download_id, file_name);
}
int Camera_Module::RequestRemoteRecordPlay(int play_id, const std::string& file_name,
                                           const REC_PLAY_PARAM& param) {
  return engine_->RequestRemoteRecordPlay(play_id, file_name, param);
}
int Camera_Module::RequestRemoteRecordPlayCtrl(int play_id, _VIF_PLAYING_CTRL ctrl,
                                               const REC_PLAY_PARAM& param) {
  return engine_->RequestRemoteRecordPlayCtrl(play_id, ctrl, param);
}

int Camera_Module::ConnectRemoteCamera(const char* ip, unsigned short port) {
  return engine_->connect_remote(ip, port);
}
void Camera_Module::SetNVTInfo(const CAMERA_INFO& info) { engine_->SetNVTInfo(info); }
void Camera_Module::SetRelayKey(unsigned char* const key) { engine_->SetRelayKey(key); }
void Camera_Module::SetVIFsUserInfo(const BaseUserInfo& user) { engine_->SetVIFsUserInfo(user); }

int Camera_Module::RegOwnVideoFrameFunc(OwnVideoFrameFunc callback) {
  return engine_->RegOwnVideoFrameFunc(callback);
}
int Camera_Module::CameraPTZCommand(int command) { return engine_->CameraPTZCommand(command); }
int Camera_Module::RequestSpeak(bool on) { return engine_->RequestSpeak(on); }
int Camera_Module::SendAudioData(unsigned char* data, int n, unsigned long value) {
  return engine_->SendAudioData(data, n, value);
}
unsigned long Camera_Module::GetMediaDataByteCount() { return engine_->GetMediaDataByteCount(); }
int Camera_Module::GetVideoMediaSettings(MEDIA_CONFIG* config) {
  return engine_->GetVideoMediaSettings(config);
}
int Camera_Module::SetVideoMediaSettings(const MEDIA_CONFIG& config) {
  return engine_->SetVideoMediaSettings(config);
}

int Camera_Module::Get3GSignalStrength() { return engine_->Get3GSignalStrength(); }
int Camera_Module::GetEthernetConfigure() { return engine_->GetEthernetConfigure(); }
int Camera_Module::GetWIFIConfigure() { return engine_->GetWIFIConfigure(); }
int Camera_Module::GetServiceConfigure() { return engine_->GetServiceConfigure(); }
int Camera_Module::GetAlarmConfigure() { return engine_->GetAlarmConfigure(); }
int Camera_Module::Get3GConfigure() { return engine_->Get3GConfigure(); }
int Camera_Module::Get3GStatus() { return engine_->Get3GStatus(); }
int Camera_Module::GetRecordConfigure() { return engine_->GetRecordConfigure(); }
int Camera_Module::GetAdminPassConfigure() { return engine_->GetAdminPassConfigure(); }
int Camera_Module::GetPTZConfigure() { return engine_->GetPTZConfigure(); }
int Camera_Module::SetEthernetConfigure(const ETH_CONFIG& c) { return engine_->SetEthernetConfigure(c); }
int Camera_Module::SetWIFIConfigure(const WIFI_CONFIG& c) { return engine_->SetWIFIConfigure(c); }
int Camera_Module::SetServiceConfigure(const SERVICE_CONFIG& c) { return engine_->SetServiceConfigure(c); }
int Camera_Module::SetAlarmConfigure(const ALARM_CONFIG& c) { return engine_->SetAlarmConfigure(c); }
int Camera_Module::Set3GConfigure(const _3G_CONFIG& c) { return engine_->Set3GConfigure(c); }
int Camera_Module::SetRecordConfigure(const RECORD_CONFIG& c) { return engine_->SetRecordConfigure(c); }
int Camera_Module::UpdateRecordPlan(const RECORD_PLAN& p) { return engine_->UpdateRecordPlan(p); }
int Camera_Module::SetAdminPassConfigure(const ADMIN_PASS_CONFIG& c) { return engine_->SetAdminPassConfigure(c); }
int Camera_Module::SetPTZConfigure(const PTZ_CONFIG& c) { return engine_->SetPTZConfigure(c); }
int Camera_Module::UpdatePTZDefaultPos(const PTZ_CHANGE& c) { return engine_->UpdatePTZDefaultPos(c); }
int Camera_Module::TurnToDefaultPos(int index) { return engine_->TurnToDefaultPos(index); }
int Camera_Module::SetWIFIUpdateAp() { return engine_->SetWIFIUpdateAp(); }

}  // namespace NVS_SDK_V160
