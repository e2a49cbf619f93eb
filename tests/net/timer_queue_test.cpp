#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/event_handler.h"
#include "net/timer_queue.h"
#include "test_support.h"

using namespace kestrune;
using test::LogCapture;

namespace {

using Queue = NVS_Timer_List_Queue_T<Socket_Event_Handler>;

struct Calls {
  std::vector<std::string> events;
  bool deleted = false;
};

// Records every timer hook; get_handle is irrelevant to the queue.
class TimerHandler : public Socket_Event_Handler {
public:
  TimerHandler(Calls& calls, const char* name) : calls_(calls), name_(name) {}
  ~TimerHandler() override { calls_.deleted = true; }

  int handle_timeout(const TimeValue& now, void* arg) override {
    last_now = now;
    calls_.events.push_back(name_ + ":timeout:" + std::to_string(reinterpret_cast<intptr_t>(arg)));
    if (on_timeout) return on_timeout();
    return timeout_result;
  }
  int handle_close(socket_t socket, int mask) override {
    calls_.events.push_back(name_ + ":close:" + std::to_string(socket) + ":" + std::to_string(mask));
    return 0;
  }
  socket_t get_handle() const override { return kInvalidSocket; }

  int timeout_result = 0;
  std::function<int()> on_timeout;
  TimeValue last_now;

private:
  Calls& calls_;
  std::string name_;
};

void* arg(intptr_t v) { return reinterpret_cast<void*>(v); }
TimeValue at(int sec) { return TimeValue(sec, 0); }

}  // namespace

TEST(TimerQueue, IdsLinesAndTieOrder) {
  LogCapture log;
  Queue q;
  Calls calls;
  TimerHandler h(calls, "h");
  EXPECT_EQ(1, q.schedule(&h, arg(1), at(100), TimeValue()));
  EXPECT_EQ(2, q.schedule(&h, arg(2), at(100), TimeValue()));
  EXPECT_EQ(3, q.schedule(&h, arg(3), at(50), TimeValue()));
  EXPECT_EQ(1, LogCapture::count("[NVS_Timer_List_Queue_T<TYPE>]: Create Timer ID:1"));
  EXPECT_EQ(1, LogCapture::count("[NVS_Timer_List_Queue_T<TYPE>]: Create Timer ID:3"));

  EXPECT_EQ(3, q.expire(at(100)));
  // Earliest first; among equal expiry times the newest first.
  EXPECT_EQ((std::vector<std::string>{"h:timeout:3", "h:timeout:2", "h:timeout:1"}), calls.events);
  EXPECT_EQ(at(100), h.last_now);

  // Ids keep counting even though entries are recycled.
  EXPECT_EQ(3u, q.free_count());
  EXPECT_EQ(4, q.schedule(&h, arg(4), at(200), TimeValue()));
  EXPECT_EQ(2u, q.free_count());
  EXPECT_EQ(1, q.cancel(4, nullptr, 1));
  EXPECT_EQ(1, LogCapture::count("[NVS_Timer_List_Queue_T<TYPE>]: Remove Timer ID:4"));
  EXPECT_EQ(0, q.cancel(4, nullptr, 1));
  EXPECT_EQ(1, LogCapture::count("[NVS_Timer_List_Queue_T<TYPE>]: Can't Find Timer ID:4"));
  EXPECT_EQ(5, q.schedule(&h, arg(5), at(200), TimeValue()));
  q.cancel(&h, 1);
}

TEST(TimerQueue, PeriodicTimerSkipsMissedPeriods) {
  Queue q;
  Calls calls;
  TimerHandler h(calls, "h");
  int id = q.schedule(&h, arg(7), at(100), at(10));
  EXPECT_EQ(0, q.expire(at(99)));
  // The reactor was blocked for 35 s: one call, next expiry past now.
  EXPECT_EQ(1, q.expire(at(135)));
  EXPECT_EQ(1u, calls.events.size());
  EXPECT_EQ(at(140), q.earliest_time());
  EXPECT_EQ(0, q.expire(at(139)));
  EXPECT_EQ(1, q.expire(at(140)));
  EXPECT_EQ(at(150), q.earliest_time());

  EXPECT_EQ(0, q.reset_interval(id, at(30)));
  EXPECT_EQ(-1, q.reset_interval(999, at(30)));
  EXPECT_EQ(1, q.expire(at(150)));
  EXPECT_EQ(at(180), q.earliest_time());
  EXPECT_EQ(1, q.cancel(&h, 1));
}

TEST(TimerQueue, ReferencesTakenAndReleased) {
  Queue q;
  Calls calls;
  auto* h = new TimerHandler(calls, "h");
  ASSERT_EQ(1, h->reference_count());
  int periodic = q.schedule(h, arg(1), at(10), at(10));
  q.schedule(h, arg(2), at(10), TimeValue());
  q.schedule(h, arg(3), at(20), TimeValue());
  EXPECT_EQ(4, h->reference_count());

  // A fired one-shot timer gives its reference back; a periodic one keeps it.
  EXPECT_EQ(2, q.expire(at(10)));
  EXPECT_EQ(3, h->reference_count());

  void* out = nullptr;
  EXPECT_EQ(1, q.cancel(periodic, &out, 0));
  EXPECT_EQ(arg(1), out);
  EXPECT_EQ("h:close:-1:32", calls.events.back());
  EXPECT_EQ(2, h->reference_count());

  // The owner lets go; the pending timer keeps the handler alive until it
  // fires, and the handler is deleted right after its handle_timeout.
  h->remove_reference();
  EXPECT_FALSE(calls.deleted);
  EXPECT_EQ(1, q.expire(at(20)));
  EXPECT_TRUE(calls.deleted);
  EXPECT_TRUE(q.is_empty());
}

TEST(TimerQueue, CancelByHandler) {
  Queue q;
  Calls calls;
  TimerHandler a(calls, "a"), b(calls, "b");
  // Without timers it still tells the handler once.
  EXPECT_EQ(0, q.cancel(&a, 0));
  EXPECT_EQ((std::vector<std::string>{"a:close:-1:32"}), calls.events);

  q.schedule(&a, arg(1), at(10), TimeValue());
  q.schedule(&b, arg(2), at(10), TimeValue());
  q.schedule(&a, arg(3), at(30), at(5));
  calls.events.clear();
  EXPECT_EQ(2, q.cancel(&a, 0));
  EXPECT_EQ((std::vector<std::string>{"a:close:-1:32"}), calls.events);
  EXPECT_EQ(1, a.reference_count());
  EXPECT_EQ(1u, q.pending_count());
  EXPECT_EQ(1, q.cancel(&b, 1));
  EXPECT_EQ(1u, calls.events.size());  // dont_call: no close
}

TEST(TimerQueue, TimeoutReturningMinusOneCancelsAllTimersOfHandler) {
  Queue q;
  Calls calls;
  TimerHandler a(calls, "a"), b(calls, "b");
  q.schedule(&a, arg(1), at(10), TimeValue());
  q.schedule(&a, arg(2), at(50), TimeValue());
  q.schedule(&a, arg(3), at(60), at(10));
  q.schedule(&b, arg(4), at(50), TimeValue());
  a.timeout_result = -1;
  EXPECT_EQ(1, q.expire(at(10)));
  EXPECT_EQ((std::vector<std::string>{"a:timeout:1", "a:close:-1:32"}), calls.events);
  EXPECT_EQ(1, a.reference_count());
  EXPECT_EQ(1u, q.pending_count());
  EXPECT_EQ(1, q.expire(at(50)));
  EXPECT_EQ("b:timeout:4", calls.events.back());
}

TEST(TimerQueue, HandlersMayRescheduleAndCancelFromTimeout) {
  Queue q;
  Calls calls;
  TimerHandler h(calls, "h");
  int periodic = q.schedule(&h, arg(1), at(10), at(10));
  int fired = 0;
  h.on_timeout = [&] {
    // The periodic entry is already back in the list, so it can be found.
    if (++fired == 1) {
      EXPECT_EQ(1, q.cancel(periodic, nullptr, 1));
      q.schedule(&h, arg(2), at(15), TimeValue());
    }
    return 0;
  };
  EXPECT_EQ(1, q.expire(at(10)));
  EXPECT_EQ(1u, q.pending_count());
  EXPECT_EQ(1, q.expire(at(15)));
  EXPECT_TRUE(q.is_empty());
  EXPECT_EQ(1, h.reference_count());
}

TEST(TimerQueue, CalculateTimeout) {
  Queue q;
  Calls calls;
  TimerHandler h(calls, "h");
  TimeValue max_wait(1, 100), out;
  EXPECT_EQ(nullptr, q.calculate_timeout(nullptr, &out));
  ASSERT_NE(nullptr, q.calculate_timeout(&max_wait, &out));
  EXPECT_EQ(max_wait, out);

  q.schedule(&h, nullptr, TimeValue::now() - TimeValue(1, 0), TimeValue());
  ASSERT_NE(nullptr, q.calculate_timeout(&max_wait, &out));
  EXPECT_TRUE(out.is_zero());
  q.cancel(&h, 1);

  q.schedule(&h, nullptr, TimeValue::now() + TimeValue(0, 200000), TimeValue());
  q.calculate_timeout(&max_wait, &out);
  EXPECT_GT(out, TimeValue());
  EXPECT_LE(out, TimeValue(0, 200000));
  q.calculate_timeout(nullptr, &out);  // no cap: the time left
  EXPECT_LE(out, TimeValue(0, 200000));
  q.cancel(&h, 1);

  q.schedule(&h, nullptr, TimeValue::now() + TimeValue(60, 0), TimeValue());
  q.calculate_timeout(&max_wait, &out);
  EXPECT_EQ(max_wait, out);
  q.cancel(&h, 1);
}

TEST(TimeValue, Normalisation) {
  EXPECT_EQ(TimeValue(2, 500000), TimeValue(1, 1500000));
  EXPECT_EQ(TimeValue(0, -500000), TimeValue(1, -1500000));
  TimeValue a(1, 200000);
  a -= TimeValue(2, 0);
  EXPECT_EQ(0, a.sec());
  EXPECT_EQ(-800000, a.usec());
  TimeValue b(-1, 0);
  b += TimeValue(0, 300000);
  EXPECT_EQ(0, b.sec());
  EXPECT_EQ(-700000, b.usec());
  EXPECT_EQ(TimeValue(1, 250000), TimeValue::from_msec(1250));
  EXPECT_LT(TimeValue(0, -1), TimeValue());
}
