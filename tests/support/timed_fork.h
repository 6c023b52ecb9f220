// Forking a test process that may have other threads running, and waiting
// a bounded time for the child, which must not hang the test if it hangs.
#ifndef VO_TOOLS_TESTS_SUPPORT_TIMED_FORK_H_
#define VO_TOOLS_TESTS_SUPPORT_TIMED_FORK_H_

#include <chrono>
#include <functional>

namespace vo_tools_test {

enum class ForkOutcome {
  kExitedCleanly,  // the child ran its body and exited with status 0
  kFailed,         // the child exited otherwise, or the fork failed
  kTimedOut,       // the child was still running at the deadline; it was killed
  kUnsupported,    // the platform cannot fork (Windows)
};

// False where processes cannot fork (Windows).
bool CanFork();

// Forks; the child runs `body` on its only thread and exits with status 0
// (or 1 when the body recorded a test failure) without running exit
// handlers. Waits at most `limit` for it.
ForkOutcome ForkAndWait(const std::function<void()>& body, std::chrono::milliseconds limit);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_TIMED_FORK_H_
