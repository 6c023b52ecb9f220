// Lock annotations for Clang's thread-safety analysis (-Wthread-safety),
// which then checks at compile time that guarded state is touched only with
// its lock held and that every lock taken is released. With other compilers
// the macros expand to nothing.
//
// A lock type is a CAPABILITY; the functions that take and release it are
// ACQUIRE and RELEASE; an RAII guard is a SCOPED_CAPABILITY. State carries
// GUARDED_BY(lock), a function that expects the lock held REQUIRES(lock), and
// one that must not be called with it held EXCLUDES(lock).
#ifndef VO_TOOLS_PLATFORM_THREAD_ANNOTATIONS_H_
#define VO_TOOLS_PLATFORM_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define VO_TOOLS_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VO_TOOLS_THREAD_ANNOTATION(x)
#endif

#define CAPABILITY(name) VO_TOOLS_THREAD_ANNOTATION(capability(name))
#define SCOPED_CAPABILITY VO_TOOLS_THREAD_ANNOTATION(scoped_lockable)
#define GUARDED_BY(lock) VO_TOOLS_THREAD_ANNOTATION(guarded_by(lock))
#define PT_GUARDED_BY(lock) VO_TOOLS_THREAD_ANNOTATION(pt_guarded_by(lock))
#define ACQUIRED_AFTER(...) VO_TOOLS_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define REQUIRES(...) VO_TOOLS_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) VO_TOOLS_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) VO_TOOLS_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) VO_TOOLS_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) VO_TOOLS_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define RETURN_CAPABILITY(lock) VO_TOOLS_THREAD_ANNOTATION(lock_returned(lock))
#define NO_THREAD_SAFETY_ANALYSIS VO_TOOLS_THREAD_ANNOTATION(no_thread_safety_analysis)

#endif  // VO_TOOLS_PLATFORM_THREAD_ANNOTATIONS_H_
