// Timer queue served by the reactor thread: pending entries sorted by expiry,
// ids from 1 never reused, recycled entries on a free list. No lock of its
// own; the reactor implementation's lock guards every call.
#pragma once

#include <list>

#include "net/time_value.h"

namespace kestrune {

template <class HANDLER>
struct NVS_Timer_Entry {
  HANDLER* handler = nullptr;
  void* arg = nullptr;
  TimeValue expiry;
  TimeValue interval;
  int timer_id = 0;
};

template <class HANDLER>
class NVS_Timer_Queue_T {
public:
  using Entry = NVS_Timer_Entry<HANDLER>;

  NVS_Timer_Queue_T() = default;
  NVS_Timer_Queue_T(const NVS_Timer_Queue_T&) = delete;
  NVS_Timer_Queue_T& operator=(const NVS_Timer_Queue_T&) = delete;
  virtual ~NVS_Timer_Queue_T();

  virtual bool is_empty() const = 0;
  virtual TimeValue earliest_time() const = 0;
  virtual Entry* remove_first() = 0;
  // Takes a reference on the handler when an id was handed out.
  virtual int schedule(HANDLER* handler, void* arg, const TimeValue& expiry,
                       const TimeValue& interval);
  virtual int reset_interval(int timer_id, const TimeValue& interval) = 0;
  virtual int cancel(int timer_id, void** arg_out, int dont_call) = 0;
  virtual int cancel(HANDLER* handler, int dont_call) = 0;
  virtual int expire(const TimeValue& now);
  // Wait before the next select: max_wait when idle, zero when a timer is due,
  // else the time to the earliest timer capped at max_wait. Returns the result
  // pointer (out), or nullptr for "no limit".
  virtual const TimeValue* calculate_timeout(const TimeValue* max_wait, TimeValue* out) const;
  virtual Entry* alloc_entry();
  virtual void free_entry(Entry* entry);
  virtual void reschedule(Entry* entry) = 0;
  virtual int schedule_entry(HANDLER* handler, void* arg, const TimeValue& expiry,
                             const TimeValue& interval) = 0;

  const TimeValue& skew() const { return skew_; }
  void set_skew(const TimeValue& s) { skew_ = s; }
  std::size_t free_count() const { return free_list_.size(); }

protected:
  void destroy_free_list();

  TimeValue skew_;
  std::list<Entry*> free_list_;
};

template <class HANDLER>
class NVS_Timer_List_Queue_T : public NVS_Timer_Queue_T<HANDLER> {
public:
  using Entry = typename NVS_Timer_Queue_T<HANDLER>::Entry;

  NVS_Timer_List_Queue_T() = default;
  ~NVS_Timer_List_Queue_T() override;

  bool is_empty() const override;
  TimeValue earliest_time() const override;
  Entry* remove_first() override;
  int reset_interval(int timer_id, const TimeValue& interval) override;
  int cancel(int timer_id, void** arg_out, int dont_call) override;
  int cancel(HANDLER* handler, int dont_call) override;
  void reschedule(Entry* entry) override;
  int schedule_entry(HANDLER* handler, void* arg, const TimeValue& expiry,
                     const TimeValue& interval) override;

  std::size_t pending_count() const { return pending_.size(); }

private:
  std::list<Entry*> pending_;
  int next_id_ = 1;
};

}  // namespace kestrune

#include "net/timer_queue_impl.h"
