// Template definitions of the timer queue (included by timer_queue.h).
#pragma once

#include <string>

#include "net/log.h"

namespace kestrune {

namespace timer_queue_detail {
// The prefix is one fixed text for every instantiation; it does not name the
// handler type.
template <class HANDLER>
void line(const char* what, int id) {
  std::string text = "[NVS_Timer_List_Queue_T<TYPE>]: ";
  text += what;
  plain_line(text.c_str(), id);
}
}  // namespace timer_queue_detail

// ---- NVS_Timer_Queue_T ----

template <class HANDLER>
NVS_Timer_Queue_T<HANDLER>::~NVS_Timer_Queue_T() {
  destroy_free_list();
}

template <class HANDLER>
void NVS_Timer_Queue_T<HANDLER>::destroy_free_list() {
  for (Entry* e : free_list_) delete e;
  free_list_.clear();
}

template <class HANDLER>
int NVS_Timer_Queue_T<HANDLER>::schedule(HANDLER* handler, void* arg, const TimeValue& expiry,
                                         const TimeValue& interval) {
  int id = schedule_entry(handler, arg, expiry, interval);
  if (id != -1 && handler != nullptr) handler->add_reference();
  return id;
}

template <class HANDLER>
int NVS_Timer_Queue_T<HANDLER>::expire(const TimeValue& now) {
  if (is_empty()) return 0;
  int count = 0;
  while (!is_empty() && earliest_time() <= now) {
    Entry* e = remove_first();
    HANDLER* handler = e->handler;
    void* arg = e->arg;
    const bool periodic = e->interval > TimeValue();
    if (periodic) {
      // Missed periods are skipped, not caught up.
      do {
        e->expiry += e->interval;
      } while (e->expiry <= now);
      reschedule(e);
    } else {
      free_entry(e);
    }
    if (handler != nullptr) {
      if (handler->handle_timeout(now, arg) == -1) {
        if (auto* timers = handler->get_timer_interface()) {
          cancel_handler_timers(timers, handler, 0);
        } else {
          cancel(handler, 0);
        }
      }
      // A fired one-shot timer gives back the reference its scheduling took;
      // the handler may go away here, so it is not touched afterwards.
      if (!periodic) handler->remove_reference();
    }
    ++count;
  }
  return count;
}

template <class HANDLER>
const TimeValue* NVS_Timer_Queue_T<HANDLER>::calculate_timeout(const TimeValue* max_wait,
                                                               TimeValue* out) const {
  if (is_empty()) {
    if (max_wait == nullptr) return nullptr;
    *out = *max_wait;
    return out;
  }
  TimeValue now = TimeValue::now();
  TimeValue earliest = earliest_time();
  if (earliest <= now) {
    *out = TimeValue();
    return out;
  }
  TimeValue left = earliest - now;
  *out = (max_wait != nullptr && *max_wait <= left) ? *max_wait : left;
  return out;
}

template <class HANDLER>
typename NVS_Timer_Queue_T<HANDLER>::Entry* NVS_Timer_Queue_T<HANDLER>::alloc_entry() {
  if (!free_list_.empty()) {
    Entry* e = free_list_.front();
    free_list_.pop_front();
    return e;
  }
  return new Entry();
}

template <class HANDLER>
void NVS_Timer_Queue_T<HANDLER>::free_entry(Entry* entry) {
  free_list_.push_front(entry);
}

// ---- NVS_Timer_List_Queue_T ----

template <class HANDLER>
NVS_Timer_List_Queue_T<HANDLER>::~NVS_Timer_List_Queue_T() {
  for (Entry* e : pending_) this->free_entry(e);
  pending_.clear();
  this->destroy_free_list();
}

template <class HANDLER>
bool NVS_Timer_List_Queue_T<HANDLER>::is_empty() const {
  return pending_.empty();
}

template <class HANDLER>
TimeValue NVS_Timer_List_Queue_T<HANDLER>::earliest_time() const {
  return pending_.empty() ? TimeValue() : pending_.front()->expiry;
}

template <class HANDLER>
typename NVS_Timer_List_Queue_T<HANDLER>::Entry* NVS_Timer_List_Queue_T<HANDLER>::remove_first() {
  if (pending_.empty()) return nullptr;
  Entry* e = pending_.front();
  pending_.pop_front();
  return e;
}

template <class HANDLER>
int NVS_Timer_List_Queue_T<HANDLER>::reset_interval(int timer_id, const TimeValue& interval) {
  for (Entry* e : pending_) {
    if (e->timer_id == timer_id) {
      e->interval = interval;
      return 0;
    }
  }
  return -1;
}

template <class HANDLER>
int NVS_Timer_List_Queue_T<HANDLER>::cancel(int timer_id, void** arg_out, int dont_call) {
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    Entry* e = *it;
    if (e->timer_id != timer_id) continue;
    if (arg_out != nullptr) *arg_out = e->arg;
    HANDLER* handler = e->handler;
    pending_.erase(it);
    this->free_entry(e);
    if (handler != nullptr) {
      if (!dont_call) handler->handle_close(-1, 0x20 /* MASK_TIMER */);
      handler->remove_reference();
    }
    timer_queue_detail::line<HANDLER>("Remove Timer ID:", timer_id);
    return 1;
  }
  timer_queue_detail::line<HANDLER>("Can't Find Timer ID:", timer_id);
  return 0;
}

template <class HANDLER>
int NVS_Timer_List_Queue_T<HANDLER>::cancel(HANDLER* handler, int dont_call) {
  int count = 0;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if ((*it)->handler == handler) {
      this->free_entry(*it);
      it = pending_.erase(it);
      ++count;
    } else {
      ++it;
    }
  }
  if (handler == nullptr) return count;
  if (!dont_call) handler->handle_close(-1, 0x20 /* MASK_TIMER */);
  // The last release may delete the handler; nothing touches it afterwards.
  for (int i = 0; i < count; ++i) handler->remove_reference();
  return count;
}

template <class HANDLER>
void NVS_Timer_List_Queue_T<HANDLER>::reschedule(Entry* entry) {
  auto it = pending_.begin();
  while (it != pending_.end() && (*it)->expiry < entry->expiry) ++it;
  pending_.insert(it, entry);
}

template <class HANDLER>
int NVS_Timer_List_Queue_T<HANDLER>::schedule_entry(HANDLER* handler, void* arg,
                                                    const TimeValue& expiry,
                                                    const TimeValue& interval) {
  Entry* e = this->alloc_entry();
  if (e == nullptr) return -1;
  int id = next_id_++;
  if (id == -1) {
    this->free_entry(e);
    timer_queue_detail::line<HANDLER>("Create Timer ID:", -1);
    return -1;
  }
  e->handler = handler;
  e->arg = arg;
  e->expiry = expiry;
  e->interval = interval;
  e->timer_id = id;
  reschedule(e);
  timer_queue_detail::line<HANDLER>("Create Timer ID:", id);
  return id;
}

}  // namespace kestrune
