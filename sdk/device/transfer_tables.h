// Per-connection bookkeeping of downloads (by download id) and remote
// playbacks (by play id). Plain tables; the engine guards them with its lock.
#pragma once

#include <cstdint>
#include <map>

namespace kestrune {

struct DownloadTask {
  enum State { REFUSED_OR_CANCELLED = 0, REQUESTED = 1, TRANSFERRING = 2, PAUSED = 3 };
  int state = REQUESTED;
  int download_id = 0;
  char file_name[32] = {};
  std::uint32_t transfer_id = 0;  // given by the camera's response
};

struct PlaySession {
  enum State { STOPPED = 0, REQUESTED = 1, PLAYING = 2, PAUSED = 3 };
  int play_id = 0;
  int state = REQUESTED;
  std::uint32_t camera_play_id = 0;
  char file_name[32] = {};
  std::uint32_t extra = 0;
};

template <class T>
class IdTable {
public:
  T* find(int id) {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
  }
  T& put(int id, const T& item) { return items_[id] = item; }
  void remove(int id) { items_.erase(id); }
  void clear() { items_.clear(); }
  std::size_t size() const { return items_.size(); }
  std::map<int, T>& items() { return items_; }

private:
  std::map<int, T> items_;
};

using DownloadTaskTable = IdTable<DownloadTask>;
using PlaySessionTable = IdTable<PlaySession>;

}  // namespace kestrune
