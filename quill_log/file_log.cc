#include "file_log.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/env.h"
#include "platform/fault_hooks.h"

namespace quill_log {
namespace {

using vo_tools::platform::AppendFile;

// The name of the n-th rolled file (1 is the newest).
std::string BackupName(const std::string& path, unsigned n) {
  // snprintf rather than std::to_string, whose digit table would be a
  // unique symbol that leaks into the library's dynamic symbol table.
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%u", n);
  return path + suffix;
}

std::int64_t Now() {
  return vo_tools::platform::LookClock();
}

}  // namespace

FileLog::FileLog(std::string path, std::uint64_t max_size_bytes, unsigned backups)
    : path_(std::move(path)), max_size_bytes_(max_size_bytes), backups_(backups) {
  OpenFile();
}

FileLog::~FileLog() = default;

// Every line is kept, whatever its level, and each is with the operating
// system once Write returns: there is nothing to configure.
bool FileLog::Configure(int /*service_level*/, int /*reserved*/, int /*flush_seconds*/) {
  return true;
}

bool FileLog::Write(const char* /*context*/, int /*number*/, int /*service_level*/,
                    const char* chunk, ...) {
  if (chunk == nullptr) return false;
  const std::size_t size = std::strlen(chunk);
  if (CheckIsDue(size)) CheckFile();
  AppendFile* const file = file_.load(std::memory_order_acquire);
  if (file == nullptr) return false;
  if (detached_.load(std::memory_order_relaxed) &&
      detached_room_.fetch_sub(static_cast<std::int64_t>(size), std::memory_order_relaxed) <= 0) {
    return false;
  }
  if (size == 0) return true;
  NoteLineEnd(chunk[size - 1] == '\n');
  if (may_end_mid_line_.load(std::memory_order_relaxed) &&
      may_end_mid_line_.exchange(false, std::memory_order_relaxed)) {
    return AppendOnItsOwnLine(file, chunk, size);
  }
  if (file->Append(chunk, size)) return true;
  may_end_mid_line_.store(true, std::memory_order_relaxed);
  return false;
}

// Written only when it changes, which for whole lines is never, so that
// writers on many threads do not contend for it.
void FileLog::NoteLineEnd(bool ends_line) {
  if (last_chunk_ended_line_.load(std::memory_order_relaxed) != ends_line) {
    last_chunk_ended_line_.store(ends_line, std::memory_order_relaxed);
  }
}

// Cheap enough for every chunk: one atomic add and a read of the coarse
// clock.
bool FileLog::CheckIsDue(std::size_t size) {
  const std::uint64_t written =
      written_since_check_.fetch_add(size, std::memory_order_relaxed) + size;
  return vo_tools::platform::LookIsDue(written, checked_second_.load(std::memory_order_relaxed),
                                       Now());
}

// One writer looks at a time; the others go on appending meanwhile, to the
// old file if it is being rolled, which then keeps their chunks as the newest
// backup. A forked child inherits the mark of a look that a thread of its
// parent had begun, but not the thread: it takes the look over.
bool FileLog::TryBeginCheck() {
  const unsigned long self = vo_tools::platform::CurrentProcessId();
  unsigned long holder = 0;
  if (checking_.compare_exchange_strong(holder, self, std::memory_order_acquire)) return true;
  return holder != self &&
         checking_.compare_exchange_strong(holder, self, std::memory_order_acquire);
}

void FileLog::EndCheck() {
  checking_.store(0, std::memory_order_release);
}

void FileLog::CheckFile() {
  if (!TryBeginCheck()) return;
  const std::int64_t now = Now();
  written_since_check_.store(0, std::memory_order_relaxed);
  checked_second_.store(now, std::memory_order_relaxed);

  AppendFile* const file = file_.load(std::memory_order_acquire);
  if (file == nullptr) {
    // Not opened yet (a missing directory, say): at most once a second.
    if (now != open_tried_second_) OpenFile();
  } else if (!file->IsNamedBy(path_)) {
    // Rolled away by another process, or removed: follow the path. If that
    // fails the old file takes the chunks, up to its limit, until a later
    // look succeeds.
    FollowPath(file);
  } else {
    detached_.store(false, std::memory_order_relaxed);
    // Another process may have ended the file mid-line (a crash); unless
    // this object's own last chunk was the start of a longer line.
    if (last_chunk_ended_line_.load(std::memory_order_relaxed)) {
      may_end_mid_line_.store(true, std::memory_order_relaxed);
    }
    std::uint64_t size = 0;
    if (file->Size(&size) && size >= max_size_bytes_ && file->IsRegular()) Roll(file);
  }
  EndCheck();
}

// Called by the constructor, and then only by a writer that is looking.
void FileLog::OpenFile() {
  open_tried_second_ = Now();
  std::unique_ptr<AppendFile> opened = AppendFile::Open(path_);
  if (opened == nullptr) return;
  owned_file_ = std::move(opened);
  may_end_mid_line_.store(true, std::memory_order_relaxed);
  file_.store(owned_file_.get(), std::memory_order_release);
}

void FileLog::Roll(AppendFile* file) {
  // Every process holding this file takes the same lock, and whoever gets it
  // second sees that the path names a new file and only follows it.
  const bool locked = file->Lock();
  if (file->IsNamedBy(path_)) {
    if (backups_ == 0) {
      vo_tools::platform::RemoveFile(path_);
    } else {
      vo_tools::platform::RemoveFile(BackupName(path_, backups_));
      for (unsigned n = backups_; n > 1; --n) {
        vo_tools::platform::RenameFile(BackupName(path_, n - 1), BackupName(path_, n));
      }
      vo_tools::platform::RenameFile(path_, BackupName(path_, 1));
    }
  }
  if (locked) file->Unlock();
  // If this fails (no descriptor to spare, say) the rolled file takes the
  // chunks until the next look, which finds the path naming no file of ours
  // and tries again.
  FollowPath(file);
}

// Until the path opens again the old file takes the chunks, which is where
// they are kept if its directory was moved and comes back, but only up to
// the limit, so that no file outgrows it; a removed one takes none.
void FileLog::FollowPath(AppendFile* file) {
  if (file->Reopen(path_)) {
    detached_.store(false, std::memory_order_relaxed);
    may_end_mid_line_.store(true, std::memory_order_relaxed);
    return;
  }
  // What the old file may still take: nothing once removed, else up to the
  // limit (nothing when its size cannot be read).
  std::uint64_t size = max_size_bytes_;
  if (file->IsRemoved() || !file->Size(&size) || size > max_size_bytes_) size = max_size_bytes_;
  detached_room_.store(static_cast<std::int64_t>(max_size_bytes_ - size),
                       std::memory_order_relaxed);
  detached_.store(true, std::memory_order_relaxed);
}

bool FileLog::AppendOnItsOwnLine(AppendFile* file, const char* chunk, std::size_t size) {
  bool whole;
  if (file->EndsMidLine()) {
    std::string own_line;
    own_line.reserve(size + 1);
    own_line += '\n';
    own_line.append(chunk, size);
    whole = file->Append(own_line.data(), own_line.size());
  } else {
    whole = file->Append(chunk, size);
  }
  if (!whole) may_end_mid_line_.store(true, std::memory_order_relaxed);
  return whole;
}

}  // namespace quill_log

QUILL::CSmartPtr<IQuillLog1> IQuillLog1::CreateInstance(const char* path,
                                                        unsigned long max_size_kib,
                                                        unsigned long backups,
                                                        const IQuillLogFormatter2* /*formatter*/,
                                                        const char* /*creation_text*/,
                                                        LogSharingModeEnum /*sharing_mode*/) {
  std::unique_ptr<IQuillLog1> log(new quill_log::FileLog(
      path != nullptr ? path : "", static_cast<std::uint64_t>(max_size_kib) * 1024,
      static_cast<unsigned>(backups)));
  QUILL::CSmartPtr<IQuillLog1> holder(log.get(), true);
  log.release();
  return holder;
}
