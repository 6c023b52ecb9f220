#include "file_log.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace quill_log {
namespace {

// The name of the n-th rolled file (1 is the newest).
std::string BackupName(const std::string& path, unsigned n) {
  // snprintf rather than std::to_string, whose digit table would be a
  // unique symbol that leaks into the library's dynamic symbol table.
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%u", n);
  return path + suffix;
}

}  // namespace

FileLog::FileLog(std::string path, std::uint64_t max_size_bytes, unsigned backups)
    : path_(std::move(path)),
      max_size_bytes_(max_size_bytes),
      backups_(backups),
      file_(vo_tools::platform::AppendFile::Open(path_)) {}

FileLog::~FileLog() = default;

// Every line is kept, whatever its level, and each is with the operating
// system once Write returns: there is nothing to configure.
bool FileLog::Configure(int /*service_level*/, int /*reserved*/, int /*flush_seconds*/) {
  return true;
}

bool FileLog::Write(const char* /*context*/, int /*number*/, int /*service_level*/,
                    const char* chunk, ...) {
  if (file_ == nullptr || chunk == nullptr) return false;
  const std::size_t size = std::strlen(chunk);
  if (CheckIsDue(size)) CheckFile();
  return file_->Append(chunk, size);
}

// Cheap enough for every chunk: one atomic add and a read of the coarse
// clock. A clock set back also counts as a new second.
bool FileLog::CheckIsDue(std::size_t size) {
  const std::uint64_t written =
      written_since_check_.fetch_add(size, std::memory_order_relaxed) + size;
  return written >= kCheckEveryBytes || static_cast<std::int64_t>(std::time(nullptr)) !=
                                            checked_second_.load(std::memory_order_relaxed);
}

void FileLog::CheckFile() {
  // One thread looks; the others go on appending meanwhile, to the old file
  // if it is being rolled, which then keeps their chunks as the newest backup.
  std::unique_lock<std::mutex> lock(check_mutex_, std::try_to_lock);
  if (!lock.owns_lock()) return;
  written_since_check_.store(0, std::memory_order_relaxed);
  checked_second_.store(static_cast<std::int64_t>(std::time(nullptr)), std::memory_order_relaxed);

  if (!file_->IsNamedBy(path_)) {
    // Rolled away by another process, or removed: follow the path.
    file_->Reopen(path_);
    return;
  }
  std::uint64_t size = 0;
  if (!file_->Size(&size) || size < max_size_bytes_) return;
  Roll();
}

void FileLog::Roll() {
  // Every process holding this file takes the same lock, and whoever gets it
  // second sees that the path names a new file and only follows it.
  file_->Lock();
  if (file_->IsNamedBy(path_)) {
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
  file_->Unlock();
  file_->Reopen(path_);
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
