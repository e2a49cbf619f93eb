// CameraProbe: a short blocking visit to a camera for the "cameras test"
// and "cameras recordings" commands: log in, read the record catalogue, log
// out. The library answers on its own thread; each answer is copied under a
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

namespace velmora {

class CameraProbe : public NVS_SDK_V160::INVDMessageHandler {
public:
  CameraProbe();
  ~CameraProbe() override;
  CameraProbe(const CameraProbe&) = delete;
  CameraProbe& operator=(const CameraProbe&) = delete;

  // Logs in to port 9996 of the camera; false with the reason (the
  // user's language) when it cannot. `wrong_password` tells that case apart.
  bool login(const std::string& ipv4, const std::string& password, std::string& error,
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
};

}  // namespace velmora
