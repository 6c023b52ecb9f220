#include "child_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

namespace vo_tools_test {

Child::Child(const std::function<void()>& body) {
  // Whatever sits in the stdio buffers would otherwise be printed twice.
  std::fflush(stdout);
  std::fflush(stderr);
  pid_ = fork();
  if (pid_ != 0) return;
  int status = 0;
  try {
    body();
    status = ::testing::Test::HasFailure() ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "child: unexpected exception: %s\n", error.what());
    status = 2;
  } catch (...) {
    std::fprintf(stderr, "child: unexpected exception\n");
    status = 2;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  // No exit handlers: they belong to the parent's copy of the test program.
  _exit(status);
}

bool Child::Wait() {
  if (pid_ < 0) return false;
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0) {
  }
  pid_ = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunInChild(const std::function<void()>& body) {
  return Child(body).Wait();
}

void SetEnvironment(const std::string& name, const char* value) {
  if (value == nullptr) {
    unsetenv(name.c_str());
  } else {
    setenv(name.c_str(), value, 1);
  }
}

}  // namespace vo_tools_test
