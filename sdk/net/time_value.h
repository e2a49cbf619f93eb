// Seconds and microseconds as two signed 32-bit integers, always normalised;
// absolute values count from 1970-01-01. All reactor and timer times use it.
#pragma once

#include <compare>
#include <cstdint>

namespace kestrune {

class TimeValue {
public:
  constexpr TimeValue() = default;
  TimeValue(std::int32_t sec, std::int32_t usec) : sec_(sec), usec_(usec) { normalize(); }

  static TimeValue now();  // system time since 1970-01-01
  static TimeValue from_msec(std::int64_t ms);

  std::int32_t sec() const { return sec_; }
  std::int32_t usec() const { return usec_; }
  std::int64_t msec() const { return std::int64_t(sec_) * 1000 + usec_ / 1000; }
  std::int64_t total_usec() const { return std::int64_t(sec_) * 1000000 + usec_; }
  bool is_zero() const { return sec_ == 0 && usec_ == 0; }

  TimeValue& operator+=(const TimeValue& o);
  TimeValue& operator-=(const TimeValue& o);
  friend TimeValue operator+(TimeValue a, const TimeValue& b) { return a += b; }
  friend TimeValue operator-(TimeValue a, const TimeValue& b) { return a -= b; }
  friend bool operator==(const TimeValue& a, const TimeValue& b) {
    return a.sec_ == b.sec_ && a.usec_ == b.usec_;
  }
  friend auto operator<=>(const TimeValue& a, const TimeValue& b) {
    return a.total_usec() <=> b.total_usec();
  }

private:
  // Carry whole seconds out of the microseconds, then give both the same sign.
  void normalize();

  std::int32_t sec_ = 0;
  std::int32_t usec_ = 0;
};

}  // namespace kestrune
