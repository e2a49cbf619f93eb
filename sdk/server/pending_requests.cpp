#include "server/pending_requests.h"

#include <cstring>

#include "server/vifs_protocol.h"

namespace kestrune::vifs {

std::uint32_t PendingRequests::remember(unsigned char* message, int length) {
  std::lock_guard<std::mutex> guard(lock_);
  // A fresh id that no waiting request carries, so a reply can never be
  // matched to the wrong request.
  std::uint32_t id = next_transaction_id();
  for (int tries = 0; table_.count(id) != 0 && tries < 65536; ++tries)
    id = (id + 1) % 32768u;
  std::memcpy(message + 10, &id, sizeof id);
  table_[id] = Message(message, message + length);
  return id;
}

bool PendingRequests::take(std::uint32_t transaction_id, Message* out) {
  std::lock_guard<std::mutex> guard(lock_);
  auto it = table_.find(transaction_id);
  if (it == table_.end()) return false;
  *out = std::move(it->second);
  table_.erase(it);
  return true;
}

void PendingRequests::forget(std::uint32_t transaction_id) {
  std::lock_guard<std::mutex> guard(lock_);
  table_.erase(transaction_id);
}

std::size_t PendingRequests::size() const {
  std::lock_guard<std::mutex> guard(lock_);
  return table_.size();
}

}  // namespace kestrune::vifs
