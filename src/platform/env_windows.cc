#include <windows.h>

#include <cstdlib>

#include "platform/env.h"
#include "wide_text_windows.h"

namespace vo_tools::platform {

const char kPathSeparator = '\\';
const std::size_t kMaxPath = MAX_PATH - 1;

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

std::size_t PathLength(const std::string& path) {
  return Wide(path).size();
}

std::string FromCallerText(const char* text) {
  return text != nullptr ? Utf8FromAnsi(text) : std::string();
}

std::string TempDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length > 0 && length <= kMaxPath) {
    std::string dir = Utf8(buffer, length);
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
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(Wide(path).c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length > kMaxPath) return false;
  *absolute = Utf8(buffer, length);
  return true;
}

bool NamesFit(const std::string& path) {
  std::size_t run = 0;
  for (wchar_t c : Wide(path)) {
    run = c == L'\\' || c == L'/' ? 0 : run + 1;
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
