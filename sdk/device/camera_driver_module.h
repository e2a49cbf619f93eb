// The device protocol engine behind Camera_Module: the requests of one
// camera (catalogue, downloads, playback, recording control, live media,
// talk-back, PTZ) and the dispatch of every message the camera sends.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "camera_module.h"
#include "nvs_records.h"
#include "device/device_receive_loop.h"
#include "device/nvd_client.h"
#include "device/record_catalogue.h"
#include "device/transfer_tables.h"

namespace kestrune {

class CameraDriverModule : public NVDClient, private DeviceMessageSink {
public:
  CameraDriverModule();
  ~CameraDriverModule() override;

  int DisconnectCamera();

  // Catalogue.
  int RequestCameraRecordInfomation();
  int RequestCameraRecordList(unsigned short first, unsigned short count);
  int RequestWarningRecordInfomation();
  int RequestWarningRecordList(unsigned short first, unsigned short count);
  int RequestDelCameraFile(int n, char (*names)[32]);

  // Downloads and remote playback.
  int RequestDownLoadRecord(int download_id, const char* file_name, unsigned int offset,
                            unsigned int length);
  int RequestPauseDownLoad(int download_id, const char* file_name);
  int RequestResumeDownLoad(int download_id, const char* file_name, unsigned int offset,
                            unsigned int length);
  int RequestCancelDownLoad(int download_id, const char* file_name);
  int RequestRemoteRecordPlay(int play_id, const std::string& file_name,
                              const NVS_SDK_V160::REC_PLAY_PARAM& param);
  int RequestRemoteRecordPlayCtrl(int play_id, NVS_SDK_V160::_VIF_PLAYING_CTRL ctrl,
                                  const NVS_SDK_V160::REC_PLAY_PARAM& param);

  // The camera's own recording.
  int RequestCameraRecord(unsigned int duration);
  int RequestCameraRecordDelay(int value);
  int RequestStopCameraRecord();

  // Live media, talk-back and PTZ.
  int RequestVideoData(bool on);
  int RequestAudioData(bool on);
  int RequestSpeak(bool on);
  int SendAudioData(const unsigned char* data, int n, unsigned long value);
  int RegOwnVideoFrameFunc(NVS_SDK_V160::OwnVideoFrameFunc callback);
  unsigned long GetMediaDataByteCount();
  int GetVideoMediaSettings(NVS_SDK_V160::MEDIA_CONFIG* config);
  int SetVideoMediaSettings(const NVS_SDK_V160::MEDIA_CONFIG& config);
  int CameraPTZCommand(int command);
  int Get3GSignalStrength();
  int TurnToDefaultPos(int index);

  // Device configuration.
  int GetEthernetConfigure();
  int GetWIFIConfigure();
  int GetServiceConfigure();
  int GetAlarmConfigure();
  int Get3GConfigure();
  int Get3GStatus();
  int GetRecordConfigure();
  int GetAdminPassConfigure();
  int GetPTZConfigure();
  int SetEthernetConfigure(const NVS_SDK_V160::ETH_CONFIG& config);
  int SetWIFIConfigure(const NVS_SDK_V160::WIFI_CONFIG& config);
  int SetServiceConfigure(const NVS_SDK_V160::SERVICE_CONFIG& config);
  int SetAlarmConfigure(const NVS_SDK_V160::ALARM_CONFIG& config);
  int Set3GConfigure(const NVS_SDK_V160::_3G_CONFIG& config);
  int SetRecordConfigure(const NVS_SDK_V160::RECORD_CONFIG& config);
  int UpdateRecordPlan(const NVS_SDK_V160::RECORD_PLAN& plan);
  int SetAdminPassConfigure(const NVS_SDK_V160::ADMIN_PASS_CONFIG& config);
  int SetPTZConfigure(const NVS_SDK_V160::PTZ_CONFIG& config);
  int UpdatePTZDefaultPos(const NVS_SDK_V160::PTZ_CHANGE& change);
  int SetWIFIUpdateAp();

  // Relay identity, kept for the relayed connection.
  void SetNVTInfo(const NVS_SDK_V160::CAMERA_INFO& info);
  void SetRelayKey(const unsigned char* key);
  void SetVIFsUserInfo(const NVS_SDK_V160::BaseUserInfo& user);
  NVS_SDK_V160::CAMERA_INFO camera_info() const;

  // The module that owned this engine is gone: timers that no close would
  // ever cancel are dropped now.
  void release_from_facade();

  // The device receive loop; called with each chunk read once logged in.
  int ProcessDeviceData(const char* data, int n) override;

  // Read-only views for tests.
  std::size_t catalogue_size() const;
  int record_state() const;
  int download_state(int download_id) const;  // -1 = no task

private:
  void on_device_message(const char* message, std::uint32_t length) override;
  void on_session_closed() override;
  void on_timer(void* arg) override;

  // Status gate of requests: false (and the status line unless silent) when
  // the camera is not logged in.
  bool logged_in(bool silent, int where) const;
  // true when the send took the message; logs the failure otherwise.
  bool sent(int result, int where) const;
  int send_header(std::uint8_t type);
  void stop_stream(std::atomic<int>& timer, std::uint8_t stop_type);

  void on_media_frame(const char* message, std::uint32_t length, bool audio);
  void on_record_list(const char* message, std::uint32_t length);
  void on_record_statistic(const char* message, std::uint32_t length);
  void on_download_response(const char* message, std::uint32_t length);
  void on_download_data(const char* message, std::uint32_t length);
  void on_remote_play_response(const char* message, std::uint32_t length);
  void on_remote_play_end(const char* message, std::uint32_t length);
  void on_record_start_response(const char* message, std::uint32_t length);
  void on_record_end_notify(const char* message, std::uint32_t length);
  void on_video_settings(const char* message, std::uint32_t length);
  void on_base_station(const char* message, std::uint32_t length);
  void on_config(const char* message, std::uint32_t length);
  int config_get(std::uint8_t sub_type);
  int config_set(std::uint8_t sub_type, const std::string& xml);

  // Guards the catalogue, the download and play tables, the recording
  // state, the video settings and the camera identity: requests change them
  // on the caller's thread while replies change them on the reactor thread.
  // Never held while calling into the application or the reactor.
  mutable std::mutex lock_;
  RecordCatalogue catalogue_;
  DownloadTaskTable downloads_;
  PlaySessionTable plays_;
  int record_state_ = 0;  // 0 idle, 1 start requested, 2 recording
  std::uint32_t record_transaction_ = 0;
  std::uint32_t video_settings_[3] = {};
  NVS_SDK_V160::CAMERA_INFO camera_info_ = {};
  struct Preset {
    std::uint32_t index;
    std::uint16_t x, y;
  } presets_[5] = {};

  std::atomic<int> video_timer_{0};
  std::atomic<int> audio_timer_{0};
  std::atomic<NVS_SDK_V160::OwnVideoFrameFunc> own_video_{nullptr};
  std::atomic<unsigned long> media_bytes_{0};

  DeviceReceiveLoop receive_loop_;
};

}  // namespace kestrune
