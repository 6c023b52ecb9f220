#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "timed_fork.h"

namespace vo_tools_test {

bool CanFork() {
  return true;
}

ForkOutcome ForkAndWait(const std::function<void()>& body, std::chrono::milliseconds limit) {
  const pid_t pid = fork();
  if (pid < 0) return ForkOutcome::kFailed;
  if (pid == 0) {
    body();
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  // Polled: a child that hangs must not hang the parent in waitpid.
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return ForkOutcome::kFailed;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return ForkOutcome::kTimedOut;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ForkOutcome::kExitedCleanly
                                                       : ForkOutcome::kFailed;
}

}  // namespace vo_tools_test
