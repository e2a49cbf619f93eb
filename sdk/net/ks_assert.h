// KS_ASSERT checks the library's thread and lock rules where the code states
// them, in every build: each check compares thread ids, which costs nothing
// measurable (reactor_bench prints the figure). A broken rule is logged and
// the process stops there, before a connection's state is corrupted.
#pragma once

namespace kestrune {
[[noreturn]] void assert_failed(const char* condition, const char* file, int line);
}  // namespace kestrune

#define KS_ASSERT(cond)                                  \
  (__builtin_expect(static_cast<bool>(cond), 1)          \
       ? static_cast<void>(0)                            \
       : ::kestrune::assert_failed(#cond, __FILE__, __LINE__))
