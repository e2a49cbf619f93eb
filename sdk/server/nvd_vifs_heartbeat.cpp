// The heartbeat of a logged-in session: the first after 10 s, then every
// 15 s; an unanswered one marks the session offline.
#include "server/nvd_vifs_client.h"

#include "net/log.h"
#include "net/reactor.h"
#include "net/reactor_thread_check.h"

namespace kestrune {

void NVDVIFsClient::set_heartbeat_timing(const TimeValue& first, const TimeValue& every) {
  heartbeat_first_ms_.store(first.msec());
  heartbeat_every_ms_.store(every.msec());
}

void NVDVIFsClient::start_heartbeat() {
  online_.store(1);
  answer_count_.store(1);
  SocketReactor* reactor = SocketReactor::instance();
  int old = timer_id_.exchange(0);
  if (old > 0) reactor->cancel_timer(old, nullptr, 1);
  int id = reactor->schedule_timer(this, &timer_id_, TimeValue::from_msec(heartbeat_first_ms_.load()),
                                   TimeValue::from_msec(heartbeat_every_ms_.load()));
  timer_id_.store(id > 0 ? id : 0);
}

int NVDVIFsClient::handle_timeout(const TimeValue& now, void* arg) {
  KS_ASSERT_REACTOR_THREAD(*this);
  if (arg != &timer_id_) return 0;
  unsigned char message[vifs::kHeaderSize];
  vifs::build_alive(message, vifs::next_transaction_id(),
                    static_cast<std::uint32_t>(session_id_.load()));
  if (answer_count_.load() > 0) {
    send_plain(message, sizeof message);
    answer_count_.store(0);
    plain_line("[NVDVIFsClient]: Send Heart Beat To NVS : ", now.msec());
  } else {
    // An unanswered heartbeat only marks the session; the server decides
    // whether the connection lives on.
    online_.store(0);
    plain_line("[NVDVIFsClient]: Lose Heart Beat frome NVS.", now.msec());
    send_plain(message, sizeof message);
  }
  return 0;
}

}  // namespace kestrune
