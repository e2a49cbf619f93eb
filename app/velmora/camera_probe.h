// CameraProbe: a short blocking visit to a camera for the "cameras test"
// and "cameras recordings" commands and the --check of an add: log in
// (directly, or through a video server's relay), read the record catalogue,
// log out. The library answers on its own thread; each answer is copied under a
// mutex and the caller waits for it with a time limit. Not for the engine,
// whose workers never block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "camera_module.h"
#include "camera_records.h"
#include "camera_record.h"
#include "nvs_client_module.h"

namespace velmora {

class CameraProbe : public NVS_SDK_V160::INVDMessageHandler,
                    public NVS_SDK_V160::INVSMessageNotify {
public:
  CameraProbe();
  ~CameraProbe() override;
  CameraProbe(const CameraProbe&) = delete;
  CameraProbe& operator=(const CameraProbe&) = delete;

  // Logs in to port 9996 of the camera; false with the reason (the
  // user's language) when it cannot. `wrong_password` tells that case apart.
  bool login(const std::string& ipv4, const std::string& password, std::string& error,
             bool& wrong_password);
  // Logs in to the record's video server (on `server_port`), asks it for a
  // relay ticket for the camera and logs in to the camera through the relay.
  bool login_remote(const CameraRecord& record, unsigned short server_port, std::string& error,
                    bool& wrong_password);
  // The whole record catalogue; false with the reason.
  bool catalogue(std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY>& out, std::string& error);
  // Unregisters first, so that the library calls nothing of ours after it.
  void close();

private:
  template <typename Pred>
  bool wait(std::unique_lock<std::mutex>& lock, Pred ready);
  void answered();

  void OnConnectResult(int result) override;
  void OnConnectionClose(int reason) override;
  void OnRecordStatisticInfomation(const char* body) override;
  void OnRecordListInfomation(const char* body) override;
  int OnConnectServer(int error) override;
  int OnConnectionBroken(int error) override;
  int OnAccessResponse(int result) override;
  int OnReceiveNVTList(const unsigned char* list, int size) override;
  int OnRelayTicket(unsigned int camera_id, const unsigned char* ticket) override;
  // Waits for the camera's login answer once the connect was started.
  bool await_login(std::string& error, bool& wrong_password);

  static constexpr int kPending = 1 << 30;
  NVS_SDK_V160::Camera_Module module_;
  std::mutex mutex_;
  std::condition_variable cv_;
  unsigned long answers_ = 0;
  int connect_result_ = kPending;
  bool closed_ = false;
  int record_count_ = -1;
  bool list_complete_ = false;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> catalogue_;
  // The server side: kPending until it answers.
  NVS_SDK_V160::NVS_Client_Module server_;
  bool server_used_ = false;
  int server_connect_ = kPending;
  int server_access_ = kPending;
  bool server_broken_ = false;
  bool list_received_ = false;
  std::vector<NVS_SDK_V160::CAMERA_INFO> account_cameras_;
  bool ticket_received_ = false;
  NVS_SDK_V160::RELAY_TICKET ticket_{};
};

}  // namespace velmora
