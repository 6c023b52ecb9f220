#include <limits.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/env.h"

namespace vo_tools::platform {

const char kPathSeparator = '/';
const std::size_t kMaxPath = PATH_MAX - 1;

bool IsPathSeparator(char c) {
  return c == '/';
}

std::size_t PathLength(const std::string& path) {
  return path.size();
}

std::string FromCallerText(const char* text) {
  return text != nullptr ? text : "";
}

std::string TempDirectory() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string dir = (tmpdir != nullptr && tmpdir[0] != '\0') ? tmpdir : "/tmp";
  if (dir.back() != kPathSeparator) dir += kPathSeparator;
  return dir;
}

namespace {

bool CurrentDirectory(std::string* dir) {
  std::vector<char> buffer(PATH_MAX);
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return false;
  dir->assign(buffer.data());
  return true;
}

// Joins `steps` into "/a/b", dropping "." and resolving ".." lexically, as a
// path that need not exist can only be resolved.
std::string Normalize(const std::string& path) {
  std::vector<std::string> steps;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(kPathSeparator, start);
    if (end == std::string::npos) end = path.size();
    const std::string step = path.substr(start, end - start);
    if (step == "..") {
      if (!steps.empty()) steps.pop_back();
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& step : steps) result += kPathSeparator + step;
  if (result.empty() || path.back() == kPathSeparator) result += kPathSeparator;
  return result;
}

}  // namespace

bool AbsolutePath(const std::string& path, std::string* absolute) {
  std::string joined;
  if (!path.empty() && path.front() == kPathSeparator) {
    joined = path;
  } else {
    if (!CurrentDirectory(&joined)) return false;
    joined += kPathSeparator;
    joined += path;
  }
  std::string result = Normalize(joined);
  if (result.size() > kMaxPath) return false;
  *absolute = std::move(result);
  return true;
}

bool NamesFit(const std::string& path) {
  std::size_t longest = 0;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(kPathSeparator, start);
    if (end == std::string::npos) end = path.size();
    if (end - start > longest) longest = end - start;
    start = end + 1;
  }
  if (longest <= 14) return true;  // within what POSIX lets any file system refuse
  const std::size_t slash = path.rfind(kPathSeparator);
  const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const long limit = pathconf(directory.c_str(), _PC_NAME_MAX);
  return longest <= (limit > 0 ? static_cast<std::size_t>(limit) : std::size_t{NAME_MAX});
}

namespace {

// Both ids are asked of the kernel once and kept; a forked child has new ids,
// so the fork handler forgets them (it runs on the child's only thread).
std::atomic<unsigned long> g_process_id{0};
thread_local unsigned long t_thread_id = 0;

void ForgetIdsInChild() {
  g_process_id.store(0, std::memory_order_relaxed);
  t_thread_id = 0;
}

// Registered as the library loads, for the reason RunAroundFork gives.
const int g_fork_handler_registered = pthread_atfork(nullptr, nullptr, ForgetIdsInChild);

}  // namespace

unsigned long CurrentProcessId() {
  unsigned long id = g_process_id.load(std::memory_order_relaxed);
  if (id == 0) {
    id = static_cast<unsigned long>(getpid());
    g_process_id.store(id, std::memory_order_relaxed);
  }
  return id;
}

unsigned long CurrentThreadId() {
  if (t_thread_id == 0) {
    // The kernel's thread id: the number ps and /proc show for the thread.
    t_thread_id = static_cast<unsigned long>(syscall(SYS_gettid));
  }
  return t_thread_id;
}

}  // namespace vo_tools::platform
