// Requests still waiting for their reply, keyed by transaction id. Written on
// the caller's thread when a request is sent, read and erased on the reactor
// thread when its reply arrives, hence the lock.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace kestrune::vifs {

class PendingRequests {
public:
  using Message = std::vector<unsigned char>;

  // Stores a copy of the message under a transaction id not yet in use,
  // writes that id into the message's header and returns it.
  std::uint32_t remember(unsigned char* message, int length);
  // Takes the stored request out of the table; false when there is none.
  bool take(std::uint32_t transaction_id, Message* out);
  void forget(std::uint32_t transaction_id);
  std::size_t size() const;

private:
  mutable std::mutex lock_;
  std::map<std::uint32_t, Message> table_;
};

}  // namespace kestrune::vifs
