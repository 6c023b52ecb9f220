// Test helpers for code that keeps process-wide state (logging is set up once
// per process): run a test body in a forked child, and set environment
// variables there. POSIX only, like the fork they rest on.
#ifndef VO_TOOLS_TESTS_LOG_CHILD_PROCESS_H_
#define VO_TOOLS_TESTS_LOG_CHILD_PROCESS_H_

#include <functional>
#include <string>

namespace vo_tools_test {

// Runs `body` in a forked child of this (single-threaded) test process and
// returns true when the child recorded no test failure and exited normally.
// The child's GoogleTest failures are printed by the child.
bool RunInChild(const std::function<void()>& body);

// Starts `body` in a forked child without waiting; Wait returns what
// RunInChild would. For children that must run at the same time.
class Child {
 public:
  explicit Child(const std::function<void()>& body);
  bool Wait();

 private:
  int pid_;
};

// Sets (or, for null, removes) an environment variable of this process.
void SetEnvironment(const std::string& name, const char* value);

}  // namespace vo_tools_test

// Fails the current test when the body, run in a child, failed.
#define EXPECT_IN_CHILD(...)                                               \
  do {                                                                     \
    const bool child_passed = ::vo_tools_test::RunInChild(__VA_ARGS__);    \
    EXPECT_TRUE(child_passed) << "the child failed; see its output above"; \
  } while (false)

#endif  // VO_TOOLS_TESTS_LOG_CHILD_PROCESS_H_
