#include "brief_log.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "log_file/log_path.h"
#include "platform/env.h"

namespace vo_tools::log {

BriefLog::~BriefLog() {
  CriticalSectionLock lock(lock_);
  file_.reset();
}

void BriefLog::Open(const char* name, const char* directory) {
  const std::string path = log_file::LogFilePath(directory, name, log_file::kDefaultBriefName,
                                                 log_file::BriefLogBackups);
  std::vector<std::string> backups = log_file::BriefLogBackups(path);
  CriticalSectionLock lock(lock_);
  file_.reset();
  separator_due_ = true;
  if (!log_file::FitsWithItsBackups(path, backups)) return;
  file_ = std::make_unique<log_file::SharedLogFile>(
      path, log_file::SharedLogFile::Policy{platform::AppendFile::Mode::kText, kRotateAt,
                                            std::move(backups)});
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
