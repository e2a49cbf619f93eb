// Cameras whose run failed and which the retry timer starts again, in the
// order they failed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>

namespace velmora {

class RetryList {
public:
  // Appends; runs of the same camera collapse to one entry.
  void add(std::int32_t id) {
    ids_.push_back(id);
    ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
  }
  // Drops the camera's first entry (the user stopped it).
  void remove(std::int32_t id) {
    auto it = std::find(ids_.begin(), ids_.end(), id);
    if (it != ids_.end()) ids_.erase(it);
  }
  void clear() { ids_.clear(); }
  // Empties the list for one retry round: cameras failing during the round
  // wait for the next one.
  std::deque<std::int32_t> take_all() {
    std::deque<std::int32_t> out;
    out.swap(ids_);
    return out;
  }
  const std::deque<std::int32_t>& ids() const { return ids_; }

private:
  std::deque<std::int32_t> ids_;
};

}  // namespace velmora
