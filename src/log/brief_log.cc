#include "brief_log.h"

#include "log_path.h"
#include "platform/append_file.h"
#include "platform/env.h"

namespace vo_tools::log {
namespace {

// Lines up to this size leave the stream in one write, so processes sharing
// the file do not tear each other's lines. (Windows' text mode turns line
// feeds into CR LF in pieces of about 1 KiB, so there a longer line may still
// meet another process's line.)
constexpr std::size_t kStreamBuffer = 64 * 1024;

std::FILE* OpenBufferedStream(const std::string& path) {
  std::FILE* file = platform::OpenTextForAppend(path);
  if (file != nullptr) std::setvbuf(file, nullptr, _IOFBF, kStreamBuffer);
  return file;
}

}  // namespace

BriefLog::~BriefLog() {
  CriticalSectionLock lock(lock_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void BriefLog::Open(const char* name, const char* directory) {
  std::string path = LogFilePath(directory, name, kDefaultName);
  std::string backup = BackupPath(path);
  if (!FitsPathLimit(path) || !FitsPathLimit(backup)) {
    path = platform::TempDirectory() + kDefaultName;
    backup = BackupPath(path);
  }
  CriticalSectionLock lock(lock_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  path_ = path;
  backup_path_ = backup;
  if (!FitsPathLimit(path_) || !FitsPathLimit(backup_path_)) return;
  file_ = OpenBufferedStream(path_);
  WriteLocked(kSeparator);
}

void BriefLog::Append(const char* line) {
  CriticalSectionLock lock(lock_);
  WriteLocked(line);
}

bool BriefLog::IsOpen() {
  CriticalSectionLock lock(lock_);
  return file_ != nullptr;
}

std::string BriefLog::path() {
  CriticalSectionLock lock(lock_);
  return path_;
}

std::string BriefLog::backup_path() {
  CriticalSectionLock lock(lock_);
  return backup_path_;
}

void BriefLog::WriteLocked(const char* text) {
  if (file_ == nullptr) return;
  if (std::ftell(file_) >= kRotateAt) RotateLocked();
  if (file_ == nullptr || text == nullptr) return;
  std::fputs(text, file_);
  std::fflush(file_);
}

// The line that finds the file full is the first of the new file; the old
// contents become the one backup, replacing the previous one.
void BriefLog::RotateLocked() {
  std::fclose(file_);
  file_ = nullptr;
  std::remove(backup_path_.c_str());
  if (std::rename(path_.c_str(), backup_path_.c_str()) != 0) std::remove(path_.c_str());
  file_ = OpenBufferedStream(path_);
}

}  // namespace vo_tools::log
