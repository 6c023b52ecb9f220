#include "child_process.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace vo_tools_test {

Child::Child(const std::function<void()>& body) {
  // Whatever sits in the stdio buffers would otherwise be printed twice.
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  process_ = pid;
  if (pid != 0) return;
  const int status = RunChildBody(body);
  // No exit handlers: they belong to the parent's copy of the test program.
  _exit(status);
}

bool Child::Wait() {
  if (process_ < 0) return false;
  int status = 0;
  while (waitpid(static_cast<pid_t>(process_), &status, 0) < 0) {
    if (errno != EINTR) {
      process_ = -1;
      return false;
    }
  }
  process_ = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunInChild(const std::function<void()>& body) {
  return Child(body).Wait();
}

void NoteScratchDir(const std::string& /*path*/) {}

bool TakeInheritedScratchDir(std::string* /*path*/) {
  return false;
}

}  // namespace vo_tools_test
