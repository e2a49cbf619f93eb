// SyncScheduler: which configured cameras synchronise and when. Holds the
// waiting queue and the active list, starts at most `concurrency` cameras at
// once and binds each started camera to a CamConnentionRES from a fixed pool;
// cameras behind a video server also share one NVSConnentionRES per serial.
// Window thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cam_connection_res.h"
#include "camera_options.h"
#include "camera_record.h"
#include "nvs_connection_res.h"
#include "message_sink.h"

namespace velmora {

// Where a camera stands in the scheduler.
enum CameraState : int {
  CAMERA_IDLE = 0,     // neither waiting nor active
  CAMERA_WAITING = 1,  // in the waiting queue
  CAMERA_ACTIVE = 2,   // started, bound to a camera resource
};

// The TCP port a local camera listens on.
using CameraPortOf = std::function<std::uint16_t(const CameraRecord&)>;

class SyncScheduler {
public:
  static constexpr int kPoolSize = 5;
  static constexpr int kMaxConcurrency = 5;

  explicit SyncScheduler(MessageSink& sink);
  ~SyncScheduler();

  void enqueue(const CameraRecord& record);
  CameraState state_of(std::int32_t id) const;
  bool remove_waiting(std::int32_t id);
  bool stop_active(std::int32_t id, bool is_local);
  bool finish_active(std::int32_t id);
  bool set_concurrency(int n);
  // Every waiting or active remote camera of the serial gets 145 and leaves.
  void drop_server_cameras(const std::string& serial);

  int concurrency() const { return concurrency_; }
  // The least wait between chunk requests, for every camera resource.
  void set_pacing_ms(int ms);
  // Free bytes to keep on the download folder's file system (0 = no
  // guard): a camera is not started while less is free, and a running one
  // stops before its next chunk. Applies to runs started from now on.
  void set_min_free_bytes(std::int64_t bytes) { min_free_bytes_ = bytes; }
  std::int64_t min_free_bytes() const { return min_free_bytes_; }
  // Where free space is asked (none: the file system itself).
  void set_free_space_probe(FreeSpaceProbe probe) { free_space_ = std::move(probe); }
  // Per-camera options, looked up when a camera starts.
  void set_camera_options(CameraOptionsTable table) { camera_options_ = std::move(table); }
  int active_count() const { return active_count_; }
  const std::deque<CameraRecord>& waiting() const { return waiting_; }
  const std::deque<CameraRecord>& active() const { return active_; }
  const std::string& download_root() const { return download_root_; }
  void set_download_root(const std::string& root) { download_root_ = root; }

  // How long workers wait for cameras; applies to runs started from now on.
  void set_worker_times(const WorkerTimes& times) { worker_times_ = times; }
  // Where a local camera listens, asked when it starts (none: 9996).
  void set_camera_port(CameraPortOf port_of) { camera_port_of_ = std::move(port_of); }
  // Bytes all workers received since the last call (the speed display).
  std::uint64_t take_received_bytes() { return counters_.take_received_bytes(); }

  // Server side: the port servers are reached on (1701; tests move it), the
  // sibling offer made before each login, and the sibling's go-ahead.
  void set_server_port(unsigned short port) { server_port_ = port; }
  void set_sibling_offer(NVSConnentionRES::SiblingOffer offer) { sibling_offer_ = std::move(offer); }
  void server_handover_accepted(const std::string& serial);
  // The server connection of a serial, or null when none is open.
  const NVSConnentionRES* server_of(const std::string& serial) const;

private:
  void dispatch();
  CamConnentionRES* take_free_resource();
  NVSConnentionRES* take_free_server();
  void start_remote(const CameraRecord& record, CamConnentionRES* worker);
  void release_server(const CameraRecord& record);

  MessageSink& sink_;
  TransferCounters counters_;  // shared by the pool
  std::vector<std::unique_ptr<CamConnentionRES>> pool_;
  std::map<std::int32_t, CamConnentionRES*> bound_;
  std::vector<std::unique_ptr<NVSConnentionRES>> servers_;
  std::map<std::int32_t, NVSConnentionRES*> camera_servers_;
  std::map<std::string, NVSConnentionRES*> servers_by_serial_;
  unsigned short server_port_ = NVSConnentionRES::kServerPort;
  NVSConnentionRES::SiblingOffer sibling_offer_;
  std::string download_root_;
  std::int64_t min_free_bytes_ = 0;
  CameraOptionsTable camera_options_;
  WorkerTimes worker_times_;
  FreeSpaceProbe free_space_;
  CameraPortOf camera_port_of_;
  int concurrency_ = 4;
  int active_count_ = 0;
  std::deque<CameraRecord> waiting_;
  std::deque<CameraRecord> active_;
};

}  // namespace velmora
