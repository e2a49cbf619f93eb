// CamConnentionRES: the worker bound to one camera while it is synchronised.
// It owns a Camera_Module, logs in, fetches the record list, works out which
// recordings are missing on disk and downloads them one after the other in
// chunks, reporting every step to the window by posted messages.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "camera_module.h"
#include "nvs_records.h"
#include "camera_record.h"
#include "download_layout.h"
#include "message_sink.h"

namespace velmora {

class CamConnentionRES : public NVS_SDK_V160::INVDMessageHandler {
public:
  static constexpr std::uint32_t kChunkBytes = 131072;
  static constexpr int kContinuationGapMs = 500;

  explicit CamConnentionRES(MessageSink& sink);
  ~CamConnentionRES() override;
  CamConnentionRES(const CamConnentionRES&) = delete;
  CamConnentionRES& operator=(const CamConnentionRES&) = delete;

  // Window thread.
  void bind(const CameraRecord& record, const std::string& download_root);
  int connect_local();
  // Reactor thread (a relay ticket arrived): hands the relay identity to the
  // module and connects to the relay, unless the resource has meanwhile been
  // stopped or bound to another camera. False when nothing was started.
  bool connect_remote(std::int32_t camera_id, const NVS_SDK_V160::CAMERA_INFO& camera,
                      const NVS_SDK_V160::BaseUserInfo& user, const unsigned char* relay_key,
                      const std::string& relay_address, unsigned short relay_port);
  void stop();  // disconnects; the resource ignores its camera from now on
  bool is_free() const;
  std::int32_t camera_id() const;

  // Shared by all resources: bytes received since the speed display last
  // took them, and the ever-growing download id.
  static std::uint64_t take_received_bytes();
  static std::atomic<std::int32_t> download_counter;

  // INVDMessageHandler (reactor thread).
  void OnConnectResult(int result) override;
  void OnConnectionClose(int reason) override;
  void OnRecordStatisticInfomation(const char* body) override;
  void OnRecordListInfomation(const char* body) override;
  void OnDownloadResponse(const char* body) override;
  void OnDownloadData(const char* body) override;

private:
  struct ChunkRequest {
    bool send = false;
    std::int32_t download_id = 0;
    char name[32] = {};
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };
  using Clock = std::chrono::steady_clock;

  // Everything *_locked runs with mutex_ held and never calls the module;
  // the request it returns is sent after the lock is released.
  ChunkRequest start_next_locked();
  ChunkRequest chunk_locked(std::uint32_t offset);
  void finish_run_locked(std::int32_t status);
  void file_failed_locked(const std::string& name, const char* reason);
  void post_counts_locked();
  void send(const ChunkRequest& r);
  void continue_download(std::uint64_t generation, std::uint32_t offset);
  bool accepting_locked() const { return !free_ && !run_over_; }

  MessageSink& sink_;
  NVS_SDK_V160::Camera_Module* module_;

  mutable std::mutex mutex_;
  CameraRecord camera_{};
  std::string root_;
  bool free_ = true;
  bool run_over_ = true;       // a final status was posted; later callbacks are stale
  std::uint64_t generation_ = 0;  // bumped by bind and stop
  std::int32_t record_count_ = -1;
  std::int32_t done_ = 0;
  std::int32_t total_ = 0;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> catalogue_;
  std::deque<NVS_SDK_V160::RECORD_FILE_ENTRY> queue_;
  Clock::time_point last_request_{};
  // The chunk in flight for the front entry.
  std::int32_t current_download_ = -1;
  std::uint64_t chunk_end_ = 0;
  bool continuation_pending_ = false;
  bool write_failed_ = false;
  RecordingPaths current_paths_;

  static std::atomic<std::uint64_t> received_bytes_;
};

}  // namespace velmora
