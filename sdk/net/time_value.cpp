#include "net/time_value.h"

#include <ctime>

namespace kestrune {

TimeValue TimeValue::now() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return TimeValue(static_cast<std::int32_t>(ts.tv_sec),
                   static_cast<std::int32_t>(ts.tv_nsec / 1000));
}

TimeValue TimeValue::from_msec(std::int64_t ms) {
  return TimeValue(static_cast<std::int32_t>(ms / 1000),
                   static_cast<std::int32_t>((ms % 1000) * 1000));
}

TimeValue& TimeValue::operator+=(const TimeValue& o) {
  sec_ += o.sec_;
  usec_ += o.usec_;
  normalize();
  return *this;
}

TimeValue& TimeValue::operator-=(const TimeValue& o) {
  sec_ -= o.sec_;
  usec_ -= o.usec_;
  normalize();
  return *this;
}

void TimeValue::normalize() {
  if (usec_ >= 1000000 || usec_ <= -1000000) {
    sec_ += usec_ / 1000000;
    usec_ %= 1000000;
  }
  if (sec_ > 0 && usec_ < 0) {
    --sec_;
    usec_ += 1000000;
  } else if (sec_ < 0 && usec_ > 0) {
    ++sec_;
    usec_ -= 1000000;
  }
}

}  // namespace kestrune
