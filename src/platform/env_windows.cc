#include <windows.h>

#include <cstdlib>

#include "platform/env.h"

namespace vo_tools::platform {

const char kPathSeparator = '\\';
const std::size_t kMaxPath = MAX_PATH - 1;

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

std::string TempDirectory() {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetTempPathA(MAX_PATH, buffer);
  if (length > 0 && length < MAX_PATH) {
    std::string dir(buffer, length);
    if (!IsPathSeparator(dir.back())) dir += kPathSeparator;
    return dir;
  }
  // No usable temporary directory: the current one, so that the logs still
  // land somewhere a user can find them.
  std::string current;
  if (AbsolutePath(".\\", &current)) return current;
  return std::string(".") + kPathSeparator;
}

bool AbsolutePath(const std::string& path, std::string* absolute) {
  char buffer[MAX_PATH] = {};
  if (_fullpath(buffer, path.c_str(), MAX_PATH) == nullptr) return false;
  absolute->assign(buffer);
  return true;
}

bool NamesFit(const std::string& path) {
  std::size_t run = 0;
  for (char c : path) {
    run = IsPathSeparator(c) ? 0 : run + 1;
    if (run > 255) return false;
  }
  return true;
}

unsigned long CurrentProcessId() {
  return GetCurrentProcessId();
}

unsigned long CurrentThreadId() {
  return GetCurrentThreadId();
}

}  // namespace vo_tools::platform
