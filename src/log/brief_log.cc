#include "brief_log.h"

#include <cstring>

#include "log_path.h"
#include "platform/env.h"
#include "platform/fault_hooks.h"

namespace vo_tools::log {

BriefLog::~BriefLog() {
  CriticalSectionLock lock(lock_);
  file_.reset();
}

void BriefLog::Open(const char* name, const char* directory) {
  std::string path = LogFilePath(directory, name, kDefaultName);
  std::string backup = BackupPath(path);
  if (!FitsPathLimit(path) || !FitsPathLimit(backup)) {
    path = platform::TempDirectory() + kDefaultName;
    backup = BackupPath(path);
  }
  CriticalSectionLock lock(lock_);
  file_.reset();
  path_ = path;
  backup_path_ = backup;
  size_ = 0;
  written_since_check_ = 0;
  astray_ = false;
  removed_ = false;
  may_end_mid_line_ = false;
  separator_due_ = true;
  checked_second_ = -1;  // try to open at once
  WriteLineLocked(nullptr);
}

void BriefLog::Append(const char* line) {
  if (line == nullptr) return;
  CriticalSectionLock lock(lock_);
  WriteLineLocked(line);
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

void BriefLog::WriteLineLocked(const char* line) {
  const std::int64_t now = platform::LookClock();
  if (file_ == nullptr) {
    // At most one attempt a second: a missing directory may stay missing.
    if (now == checked_second_) return;
    checked_second_ = now;
    if (!OpenFileLocked()) return;
  } else if (CheckIsDueLocked(now)) {
    CheckFileLocked(now);
  }
  // A separator that a full disk refused whole is written with the next
  // text that gets through, so that each set-up leaves one.
  if (separator_due_) separator_due_ = !WriteTextLocked(kSeparator, std::strlen(kSeparator));
  if (line != nullptr) WriteTextLocked(line, std::strlen(line));
}

bool BriefLog::OpenFileLocked() {
  if (!FitsPathLimit(path_) || !FitsPathLimit(backup_path_)) return false;
  file_ = platform::AppendFile::Open(path_, platform::AppendFile::Mode::kText);
  if (file_ == nullptr) return false;
  LearnSizeLocked();
  written_since_check_ = 0;
  astray_ = false;
  removed_ = false;
  may_end_mid_line_ = true;  // another process may have left part of a line
  return true;
}

bool BriefLog::CheckIsDueLocked(std::int64_t now) const {
  return platform::LookIsDue(written_since_check_, checked_second_, now);
}

void BriefLog::CheckFileLocked(std::int64_t now) {
  written_since_check_ = 0;
  checked_second_ = now;
  // Another process may have ended the file mid-line since (a crash).
  may_end_mid_line_ = true;
  if (!file_->IsNamedBy(path_)) {
    // Rotated away by another process, removed, or its directory moved.
    if (!FollowPathLocked()) return;
  } else {
    astray_ = false;
    removed_ = false;
  }
  LearnSizeLocked();
}

// Asked again before each text while the system cannot tell it.
void BriefLog::LearnSizeLocked() {
  std::uint64_t size = 0;
  size_known_ = file_->Size(&size);
  if (size_known_) size_ = size;
}

bool BriefLog::WriteTextLocked(const char* text, std::size_t size) {
  if (!size_known_) LearnSizeLocked();
  if (size_ >= kRotateAt && !astray_) RotateLocked();
  // A file the path no longer names takes nothing once it is full, and a
  // removed one nothing at all, until a look opens the path again.
  if (astray_ && (removed_ || size_ >= kRotateAt)) {
    written_since_check_ += size;  // so that the path is tried again as often
    return false;
  }
  std::uint64_t stored = 0;
  bool whole;
  if (may_end_mid_line_ && file_->EndsMidLine()) {
    // A write cut short (here or by another process that crashed) left part
    // of a line: this text starts a line of its own, in the same single
    // write.
    std::string own_line;
    own_line.reserve(size + 1);
    own_line += '\n';
    own_line.append(text, size);
    whole = file_->Append(own_line.data(), own_line.size(), &stored);
  } else {
    whole = file_->Append(text, size, &stored);
  }
  may_end_mid_line_ = !whole;
  size_ += stored;
  written_since_check_ += stored;
  return stored > 0;
}

// The text that finds the file full is the first of the new file; the old
// contents become the one backup, replacing the previous one. Processes
// sharing the file take turns through the file lock, and a process that finds
// the path naming another file than its own (another rotated first, or a
// look failed) follows it, and rotates that one too if it is full already.
// A size the system cannot tell counts as this process's own count.
void BriefLog::RotateLocked() {
  if (!file_->IsRegular()) {  // a FIFO or a device: nothing to rotate
    size_ = 0;
    return;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    const bool locked = file_->Lock();
    const bool ours = file_->IsNamedBy(path_);
    std::uint64_t size = 0;
    const bool emptied = ours && file_->Size(&size) && size < kRotateAt;
    const bool rotated = ours && !emptied;
    if (rotated) {
      platform::RemoveFile(backup_path_);
      if (!platform::RenameFile(path_, backup_path_)) platform::RemoveFile(path_);
    }
    if (locked) file_->Unlock();
    written_since_check_ = 0;
    if (emptied) {  // from outside, meanwhile: nothing to rotate
      size_ = size;
      return;
    }
    // When the path cannot be opened, the lines go on to the old file, now
    // the backup, until it is full or the next look at the path succeeds.
    if (!FollowPathLocked()) return;
    LearnSizeLocked();
    if (!size_known_) size_ = 0;  // a file the path names anew: most likely small
    if (rotated || !size_known_ || size_ < kRotateAt) return;
  }
}

// Until the path opens again the old file takes the lines, which is where
// they are kept if its directory was moved and comes back; a removed one
// takes none.
bool BriefLog::FollowPathLocked() {
  astray_ = !file_->Reopen(path_);
  removed_ = astray_ && file_->IsRemoved();
  if (!astray_) may_end_mid_line_ = true;
  return !astray_;
}

}  // namespace vo_tools::log
