#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_env.h"

namespace vo_tools_test {
namespace {

// Set in a child: which body of the test it runs, and the parent's
// directories, joined by '|', which no Windows path holds.
constexpr char kChildVariable[] = "VO_TOOLS_TEST_CHILD";
constexpr char kScratchVariable[] = "VO_TOOLS_TEST_SCRATCH";
constexpr char kScratchSeparator = '|';
constexpr std::intptr_t kNotStarted = -1;
constexpr std::intptr_t kSkipped = -2;

std::string CurrentTestName() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return test == nullptr ? "" : std::string(test->test_suite_name()) + "." + test->name();
}

// What this process knows of the current test: the children it has started
// and the scratch directories made so far. Starts afresh with every test.
struct TestState {
  std::string test;
  int next_child = 0;
  std::vector<std::string> scratch_dirs;
  std::size_t inherited_taken = 0;
};

TestState& State() {
  static TestState state;
  const std::string test = CurrentTestName();
  if (state.test != test) {
    state = TestState();
    state.test = test;
  }
  return state;
}

// The body this process must run, when it is a child; -1 in the parent.
int WantedChild() {
  const char* value = std::getenv(kChildVariable);
  return value == nullptr ? -1 : std::atoi(value);
}

std::vector<std::string> InheritedScratchDirs() {
  std::vector<std::string> dirs;
  const char* value = std::getenv(kScratchVariable);
  if (value == nullptr) return dirs;
  std::string joined = value;
  std::size_t start = 0;
  while (start < joined.size()) {
    std::size_t end = joined.find(kScratchSeparator, start);
    if (end == std::string::npos) end = joined.size();
    dirs.push_back(joined.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

std::intptr_t StartChild(int index, const std::vector<std::string>& scratch_dirs) {
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return kNotStarted;
  std::string command =
      std::string("\"") + program + "\" --gtest_brief=1 --gtest_filter=" + CurrentTestName();
  std::string joined;
  for (const std::string& dir : scratch_dirs) joined += dir + kScratchSeparator;

  SetEnvironment(kChildVariable, std::to_string(index).c_str());
  SetEnvironment(kScratchVariable, joined.empty() ? nullptr : joined.c_str());
  std::fflush(stdout);
  std::fflush(stderr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironment(kChildVariable, nullptr);
  SetEnvironment(kScratchVariable, nullptr);
  if (!started) return kNotStarted;
  CloseHandle(process.hThread);
  return reinterpret_cast<std::intptr_t>(process.hProcess);
}

}  // namespace

Child::Child(const std::function<void()>& body) : process_(kNotStarted) {
  TestState& state = State();
  const int index = state.next_child++;
  const int wanted = WantedChild();
  if (wanted == index) std::_Exit(RunChildBody(body));
  if (wanted >= 0) {
    process_ = kSkipped;  // another child's body, run by another process
    return;
  }
  process_ = StartChild(index, state.scratch_dirs);
}

bool Child::Wait() {
  if (process_ == kSkipped) return true;
  if (process_ == kNotStarted) return false;
  HANDLE process = reinterpret_cast<HANDLE>(process_);
  process_ = kNotStarted;
  DWORD status = 1;
  const bool ended = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process, &status);
  CloseHandle(process);
  return ended && status == 0;
}

bool RunInChild(const std::function<void()>& body) {
  return Child(body).Wait();
}

void NoteScratchDir(const std::string& path) {
  if (WantedChild() < 0) State().scratch_dirs.push_back(path);
}

bool TakeInheritedScratchDir(std::string* path) {
  if (WantedChild() < 0) return false;
  TestState& state = State();
  const std::vector<std::string> dirs = InheritedScratchDirs();
  if (state.inherited_taken >= dirs.size()) return false;
  *path = dirs[state.inherited_taken++];
  return true;
}

}  // namespace vo_tools_test
