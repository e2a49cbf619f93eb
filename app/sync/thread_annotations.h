// Clang's thread-safety attributes under short names: which lock guards a
// member, which lock a function needs or takes. Other compilers see nothing.
// The library has the same file for itself (sdk/net/thread_annotations.h);
// the program uses the library only through its exported headers, so it keeps
// this copy instead of reaching into the library's sources.
#pragma once

#if defined(__clang__)
#define KS_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KS_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(x) KS_THREAD_ANNOTATION(capability(x))
#define SCOPED_CAPABILITY KS_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(x) KS_THREAD_ANNOTATION(guarded_by(x))
#define PT_GUARDED_BY(x) KS_THREAD_ANNOTATION(pt_guarded_by(x))
#define ACQUIRED_BEFORE(...) KS_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) KS_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) KS_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) KS_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) KS_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) KS_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) KS_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) KS_THREAD_ANNOTATION(assert_capability(x))
#define RETURN_CAPABILITY(x) KS_THREAD_ANNOTATION(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS KS_THREAD_ANNOTATION(no_thread_safety_analysis)
