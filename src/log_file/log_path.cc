#include "log_file/log_path.h"

#include <cstdio>

#include "platform/append_file.h"
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
  if (IsEmpty(directory) || !platform::AbsolutePath(platform::FromCallerText(directory), &result)) {
    result = platform::TempDirectory();
  }
  if (!EndsInSeparator(result)) result += platform::kPathSeparator;
  return result;
}

std::string RequestedLogFilePath(const char* directory, const char* name,
                                 const char* default_name) {
  return LogDirectory(directory) + (IsEmpty(name) ? default_name : platform::FromCallerText(name));
}

std::string LogFilePath(const char* directory, const char* name, const char* default_name,
                        Backups backups) {
  std::string path = RequestedLogFilePath(directory, name, default_name);
  if (FitsWithItsBackups(path, backups(path))) return path;
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

std::vector<std::string> BriefLogBackups(const std::string& path) {
  return {BackupPath(path)};
}

std::vector<std::string> MainLogBackups(const std::string& path) {
  return NumberedBackups(path, kMainLogBackups);
}

std::vector<std::string> NumberedBackups(const std::string& path, unsigned count) {
  std::vector<std::string> backups;
  for (unsigned n = 1; n <= count; ++n) {
    // snprintf rather than std::to_string, whose digit table would be a
    // unique symbol that leaks into the library's dynamic symbol table.
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%u", n);
    backups.push_back(path + suffix);
  }
  return backups;
}

bool FitsPathLimit(const std::string& path) {
  return platform::PathLength(path) <= platform::kMaxPath && platform::NamesFit(path);
}

bool FitsWithItsBackups(const std::string& path, const std::vector<std::string>& backups) {
  if (!FitsPathLimit(path)) return false;
  const std::vector<std::string>& removed =
      backups.empty() ? std::vector<std::string>{path} : backups;
  for (const std::string& name : removed) {
    if (!FitsPathLimit(name) ||
        platform::PathLength(name) + platform::kRemoveFileExtraLength > platform::kMaxPath) {
      return false;
    }
  }
  return true;
}

}  // namespace vo_tools::log_file
