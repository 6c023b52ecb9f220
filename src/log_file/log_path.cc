#include "log_file/log_path.h"

#include "platform/env.h"

namespace vo_tools::log_file {
namespace {

// Either separator counts as the end of a directory, as callers on both
// platforms write either.
bool EndsInSeparator(const std::string& directory) {
  return !directory.empty() && (directory.back() == '/' || directory.back() == '\\');
}

bool IsEmpty(const char* text) {
  return text == nullptr || text[0] == '\0';
}

}  // namespace

std::string LogDirectory(const char* directory) {
  std::string result;
  if (IsEmpty(directory) || !platform::AbsolutePath(directory, &result)) {
    result = platform::TempDirectory();
  }
  if (!EndsInSeparator(result)) result += platform::kPathSeparator;
  return result;
}

std::string RequestedLogFilePath(const char* directory, const char* name,
                                 const char* default_name) {
  return LogDirectory(directory) + (IsEmpty(name) ? default_name : name);
}

std::string LogFilePath(const char* directory, const char* name, const char* default_name) {
  std::string path = RequestedLogFilePath(directory, name, default_name);
  if (FitsPathLimit(path)) return path;
  std::string fallback = platform::TempDirectory() + default_name;
  return fallback;
}

std::string BackupPath(const std::string& path) {
  std::size_t name_start = path.size();
  while (name_start > 0 && !platform::IsPathSeparator(path[name_start - 1])) --name_start;
  const std::size_t dot = path.rfind('.');
  const bool has_extension = dot != std::string::npos && dot > name_start;
  return (has_extension ? path.substr(0, dot) : path) + ".BAK";
}

bool FitsPathLimit(const std::string& path) {
  return path.size() <= platform::kMaxPath && platform::NamesFit(path);
}

}  // namespace vo_tools::log_file
