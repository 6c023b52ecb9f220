#include "brief_log.h"

#include <cstring>
#include <string>

#include "log_file/log_path.h"
#include "platform/env.h"

namespace vo_tools::log {
namespace {

using log_file::BackupPath;
using log_file::FitsPathLimit;

bool FitsWithItsBackup(const std::string& path) {
  return FitsPathLimit(path) && FitsPathLimit(BackupPath(path));
}

}  // namespace

BriefLog::~BriefLog() {
  CriticalSectionLock lock(lock_);
  file_.reset();
}

void BriefLog::Open(const char* name, const char* directory) {
  std::string path = log_file::LogFilePath(directory, name, log_file::kDefaultBriefName);
  if (!FitsWithItsBackup(path)) path = platform::TempDirectory() + log_file::kDefaultBriefName;
  CriticalSectionLock lock(lock_);
  file_.reset();
  separator_due_ = true;
  if (!FitsWithItsBackup(path)) return;
  file_ = std::make_unique<log_file::SharedLogFile>(
      path, log_file::SharedLogFile::Policy{
                platform::AppendFile::Mode::kText, kRotateAt, {BackupPath(path)}, true});
  WriteSeparatorIfDueLocked();
}

void BriefLog::Append(const char* line) {
  if (line == nullptr) return;
  CriticalSectionLock lock(lock_);
  if (file_ == nullptr) return;
  WriteSeparatorIfDueLocked();
  file_->Append(line, std::strlen(line));
}

// Each set-up leaves one separator: one a full disk refused whole goes with
// the next text that gets through.
void BriefLog::WriteSeparatorIfDueLocked() {
  if (!separator_due_) return;
  separator_due_ = file_->Append(kSeparator, std::strlen(kSeparator)) ==
                   log_file::SharedLogFile::Appended::kNothing;
}

}  // namespace vo_tools::log
