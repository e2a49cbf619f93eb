// CamConnentionRES: the worker bound to one camera while it is synchronised.
// It owns a Camera_Module, logs in, fetches the record list, has the missing
// recordings worked out (catalogue_compare.h) and downloads them one after
// the other in chunks into their partial files (partial_file.h), reporting
// every step to the main thread as typed events.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "annotated_mutex.h"
#include "camera_module.h"
#include "nvs_records.h"
#include "camera_record.h"
#include "disk_space.h"
#include "download_layout.h"
#include "message_sink.h"
#include "partial_file.h"
#include "thread_check.h"
#include "window_messages.h"

namespace velmora {

// What OnConnectResult reports, as far as the worker tells results apart.
enum ConnectResult : int {
  CONNECT_OK = 0,
  CONNECT_PASSWORD_REFUSED = -8,  // the camera refused the password
};

// Where cameras on the local network listen.
inline constexpr std::uint16_t kCameraPort = 9996;

// The two counters every camera resource of the program shares: the
// download id each chunk request takes, and the bytes received since the
// speed display last took them. Any thread.
struct TransferCounters {
  std::atomic<std::int32_t> download_id{0};
  std::atomic<std::uint64_t> received_bytes{0};

  std::uint64_t take_received_bytes() { return received_bytes.exchange(0); }
};

// How long a worker waits for the camera, and where it reaches a camera on
// the local network. The defaults are the program's; tests shorten them.
struct WorkerTimes {
  int connect_guard_ms = kConnectTimeoutMs;     // from bind to the login's result
  int transfer_guard_ms = kTransferWatchdogMs;  // for every reply and chunk
  int delete_answer_ms = kDeleteAnswerMs;       // for each delete request
};

// What a run does beyond downloading, fixed when the camera is bound.
struct RunOptions {
  // Free bytes to keep on the download folder's file system; checked before
  // every chunk request (0 = not checked).
  std::int64_t min_free_bytes = 0;
  // After a run that reached its end, ask the camera to delete every listed
  // recording whose final file is on disk with the listed length.
  bool delete_after_copy = false;
  WorkerTimes times;
  // Where the free space is asked (none: the file system itself).
  FreeSpaceProbe free_space;
  // The TCP port of a camera on the local network; cameras listen on 9996,
  // simulated ones anywhere.
  std::uint16_t camera_port = kCameraPort;
};

class CamConnentionRES : public NVS_SDK_V160::INVDMessageHandler {
public:
  static constexpr std::uint32_t kChunkBytes = 131072;
  static constexpr int kContinuationGapMs = 500;

  // `counters` are shared with the other resources; without them the
  // resource counts on its own.
  explicit CamConnentionRES(MessageSink& sink, TransferCounters* counters = nullptr);
  ~CamConnentionRES() override;
  CamConnentionRES(const CamConnentionRES&) = delete;
  CamConnentionRES& operator=(const CamConnentionRES&) = delete;

  // Any thread: the least wait between chunk requests (0 = none).
  void set_pacing_ms(int ms) { pacing_ms_.store(ms < 0 ? 0 : ms); }

  // Window thread.
  void bind(const CameraRecord& record, const std::string& download_root,
            const RunOptions& options = {});
  int connect_local() EXCLUDES(mutex_);
  // Reactor thread (a relay ticket arrived): hands the relay identity to the
  // module and connects to the relay, unless the resource has meanwhile been
  // stopped or bound to another camera. False when nothing was started.
  bool connect_remote(std::int32_t camera_id, const NVS_SDK_V160::CAMERA_INFO& camera,
                      const NVS_SDK_V160::BaseUserInfo& user, const unsigned char* relay_key,
                      const std::string& relay_address, unsigned short relay_port)
      EXCLUDES(mutex_);
  void stop() EXCLUDES(mutex_);  // disconnects; the resource ignores its camera from now on
  NVS_SDK_V160::Camera_Module& module() { return *module_; }  // for tests
  bool is_free() const;
  std::int32_t camera_id() const;

  TransferCounters& counters() { return *counters_; }

  // INVDMessageHandler (reactor thread).
  void OnConnectResult(int result) override;
  void OnConnectionClose(int reason) override;
  void OnRecordStatisticInfomation(const char* body) override;
  void OnRecordListInfomation(const char* body) override;
  void OnDownloadResponse(const char* body) override;
  void OnDownloadData(const char* body) override;
  void OnRecordDelResponse(const char* body) override;

private:
  // Module calls decided under the lock and made after it is released: a
  // chunk to cancel on the camera, then the next chunk to ask for.
  struct ModuleCalls {
    bool cancel = false;
    std::int32_t cancel_id = 0;
    char cancel_name[32] = {};
    bool send = false;
    std::int32_t download_id = 0;
    char name[32] = {};
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool del = false;  // a delete request for del_name
    char del_name[32] = {};
  };
  using Clock = std::chrono::steady_clock;

  // Everything *_locked runs with mutex_ held and never calls the module.
  ModuleCalls start_next_locked() REQUIRES(mutex_);
  ModuleCalls chunk_locked(std::uint32_t offset) REQUIRES(mutex_);
  // Gives up the recording in transfer (cut back, reported, dequeued); the
  // fail_ form goes on with the next recording.
  ModuleCalls drop_chunk_locked(const char* reason) REQUIRES(mutex_);
  ModuleCalls fail_chunk_locked(const char* reason) REQUIRES(mutex_);
  void abandon_chunk_locked() REQUIRES(mutex_);
  // The stream broke before anything showed it intact after the last
  // chunk's final block: that chunk goes too. A finished recording is taken
  // back to its partial file only when `reopen_finished`.
  void distrust_last_chunk_locked(bool reopen_finished) REQUIRES(mutex_);
  void finish_run_locked(SyncStatus status) REQUIRES(mutex_);
  // Ends the run with "disk full"; the partial file keeps only what the
  // finished chunks proved.
  void disk_full_locked(std::int64_t free_bytes) REQUIRES(mutex_);
  // The queue is empty: delete what was verified, if asked to, then complete.
  ModuleCalls run_end_locked() REQUIRES(mutex_);
  ModuleCalls next_delete_locked() REQUIRES(mutex_);
  void delete_timed_out(std::uint64_t generation, std::uint64_t sequence) EXCLUDES(mutex_);
  void file_failed_locked(const std::string& name, const char* reason) REQUIRES(mutex_);
  void post_counts_locked() REQUIRES(mutex_);
  void call_module(const ModuleCalls& c) EXCLUDES(mutex_);
  void continue_download(std::uint64_t generation, std::uint32_t offset) EXCLUDES(mutex_);
  bool accepting_locked() const REQUIRES(mutex_) { return !free_ && !run_over_; }

  MessageSink& sink_;
  std::unique_ptr<TransferCounters> own_counters_;  // when none were given
  TransferCounters* counters_;
  NVS_SDK_V160::Camera_Module* module_;

  mutable Mutex mutex_;
  CameraRecord camera_ GUARDED_BY(mutex_) {};
  std::string root_ GUARDED_BY(mutex_);
  bool free_ GUARDED_BY(mutex_) = true;
  // A final status was posted; later callbacks are stale.
  bool run_over_ GUARDED_BY(mutex_) = true;
  std::uint64_t generation_ GUARDED_BY(mutex_) = 0;  // bumped by bind and stop
  std::int32_t record_count_ GUARDED_BY(mutex_) = -1;
  std::int32_t done_ GUARDED_BY(mutex_) = 0;
  std::int32_t total_ GUARDED_BY(mutex_) = 0;
  std::vector<NVS_SDK_V160::RECORD_FILE_ENTRY> catalogue_ GUARDED_BY(mutex_);
  std::deque<NVS_SDK_V160::RECORD_FILE_ENTRY> queue_ GUARDED_BY(mutex_);
  Clock::time_point last_request_ GUARDED_BY(mutex_) {};
  // The chunk in flight for the front entry: blocks are taken only where
  // the partial file ends and only inside [chunk_start_, chunk_end_).
  std::int32_t current_download_ GUARDED_BY(mutex_) = -1;
  std::uint64_t chunk_start_ GUARDED_BY(mutex_) = 0;
  std::uint64_t chunk_end_ GUARDED_BY(mutex_) = 0;
  std::uint64_t have_ GUARDED_BY(mutex_) = 0;  // bytes of the partial file known good
  bool continuation_pending_ GUARDED_BY(mutex_) = false;
  PartialFile file_ GUARDED_BY(mutex_);
  // The last finished chunk, until a later message of the camera shows the
  // stream still framed after its final block (start -1: none). A framing
  // error right after a block means the block took bytes that were not its
  // own, and the protocol has no checksum to tell.
  std::int64_t unconfirmed_start_ GUARDED_BY(mutex_) = -1;
  PartialFile unconfirmed_file_ GUARDED_BY(mutex_);
  bool unconfirmed_finished_ GUARDED_BY(mutex_) = false;  // its recording got its final name
  RunOptions options_ GUARDED_BY(mutex_);
  // Names to delete on the camera, one request at a time; the front one is
  // asked while delete_pending_.
  std::deque<std::string> deletes_ GUARDED_BY(mutex_);
  bool delete_pending_ GUARDED_BY(mutex_) = false;
  std::uint64_t delete_sequence_ GUARDED_BY(mutex_) = 0;
  Clock::time_point delete_deadline_ GUARDED_BY(mutex_) {};

  // bind, stop, connect_local and the continuation run on the window thread;
  // the callbacks on the library's reactor thread. The window thread is the
  // first to bind (the pool may be made before the thread that drives it),
  // the reactor thread the first callback after each bind.
  ThreadCheck window_thread_{ThreadCheck::kFirstCaller};
  ThreadCheck reactor_thread_{ThreadCheck::kFirstCaller};

  std::atomic<int> pacing_ms_{kContinuationGapMs};
};

}  // namespace velmora
