// KS_ASSERT checks the library's thread and lock rules where the code states
// them. Active in debug and sanitizer builds; compiled out (the condition is
// not evaluated) in release builds.
#pragma once

namespace kestrune {
[[noreturn]] void assert_failed(const char* condition, const char* file, int line);
}  // namespace kestrune

#ifdef NDEBUG
#define KS_ASSERT(cond) static_cast<void>(sizeof(static_cast<bool>(cond)))
#else
#define KS_ASSERT(cond) \
  (static_cast<bool>(cond) ? static_cast<void>(0) : ::kestrune::assert_failed(#cond, __FILE__, __LINE__))
#endif
