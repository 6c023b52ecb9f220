#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

#include "child_process.h"

namespace vo_tools_test {

int RunChildBody(const std::function<void()>& body) {
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
  return status;
}

}  // namespace vo_tools_test
