// SyncScheduler: which configured cameras synchronise and when. Holds the
// waiting queue and the active list, starts at most `concurrency` cameras at
// once and binds each started camera to a CamConnentionRES from a fixed pool.
// Window thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cam_connection_res.h"
#include "camera_record.h"
#include "window_core.h"

namespace velmora {

class SyncScheduler {
public:
  static constexpr int kPoolSize = 5;
  static constexpr int kMaxConcurrency = 5;

  explicit SyncScheduler(MessageSink& sink);
  ~SyncScheduler();

  void enqueue(const CameraRecord& record);
  int state_of(std::int32_t id) const;  // 1 waiting, 2 active, 0 otherwise
  bool remove_waiting(std::int32_t id);
  bool stop_active(std::int32_t id, bool is_local);
  bool finish_active(std::int32_t id);
  bool set_concurrency(int n);
  // Every waiting or active remote camera of the serial gets 145 and leaves.
  void drop_server_cameras(const std::string& serial);

  int concurrency() const { return concurrency_; }
  int active_count() const { return active_count_; }
  const std::deque<CameraRecord>& waiting() const { return waiting_; }
  const std::deque<CameraRecord>& active() const { return active_; }
  const std::string& download_root() const { return download_root_; }
  void set_download_root(const std::string& root) { download_root_ = root; }

private:
  void dispatch();
  CamConnentionRES* take_free_resource();

  MessageSink& sink_;
  std::vector<std::unique_ptr<CamConnentionRES>> pool_;
  std::map<std::int32_t, CamConnentionRES*> bound_;
  std::string download_root_;
  int concurrency_ = 4;
  int active_count_ = 0;
  std::deque<CameraRecord> waiting_;
  std::deque<CameraRecord> active_;
};

}  // namespace velmora
