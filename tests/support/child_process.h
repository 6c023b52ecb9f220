// Test helpers for code that keeps process-wide state (logging is set up once
// per process): run a test body in a child process.
//
// On POSIX the child is a fork of the test process. Windows has no fork: the
// child is the test program started again for the current test alone, told
// which body to run; it re-runs the test from its start and skips every other
// body. So that a body finds the files the parent prepared, ScratchDir hands
// the child the directories the parent made in this test, in the same order.
#ifndef VO_TOOLS_TESTS_SUPPORT_CHILD_PROCESS_H_
#define VO_TOOLS_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <cstdint>
#include <functional>
#include <string>

namespace vo_tools_test {

// Runs `body` in a child of this (single-threaded) test process and
// returns true when the child recorded no test failure and exited normally.
// The child's GoogleTest failures are printed by the child.
bool RunInChild(const std::function<void()>& body);

// Starts `body` in a child without waiting; Wait returns what
// RunInChild would. For children that must run at the same time.
class Child {
 public:
  explicit Child(const std::function<void()>& body);
  bool Wait();

 private:
  std::intptr_t process_;
};

// Runs a child's body and returns its exit status: 0 when it recorded no
// test failure, 1 when it did, 2 when it threw. Shared by both platforms'
// children; not for tests.
int RunChildBody(const std::function<void()>& body);

// Called by ScratchDir for each directory it makes in the parent.
void NoteScratchDir(const std::string& path);

// In a child on Windows, the next directory the parent made in this test,
// for ScratchDir to use instead of a new one; false when there is none.
bool TakeInheritedScratchDir(std::string* path);

}  // namespace vo_tools_test

// Fails the current test when the body, run in a child, failed.
#define EXPECT_IN_CHILD(...)                                               \
  do {                                                                     \
    const bool child_passed = ::vo_tools_test::RunInChild(__VA_ARGS__);    \
    EXPECT_TRUE(child_passed) << "the child failed; see its output above"; \
  } while (false)

#endif  // VO_TOOLS_TESTS_SUPPORT_CHILD_PROCESS_H_
