// BriefLog: the brief log file that flagged lines are appended to: the
// shared log-file engine (log_file/shared_log_file.h, which tells how the
// file is shared, looked at and rotated) in text mode, rotated at 2 MiB into
// one backup whose name ends in ".BAK", and a separator line per set-up.
//
// Every operation holds the lock given at construction (the module's log
// lock), so lines of different threads reach the file whole and one at a
// time. The separator of a set-up whose file could not be opened, or whose
// first write a full disk refused, comes with the next text that gets
// through.
#ifndef VO_TOOLS_LOG_BRIEF_LOG_H_
#define VO_TOOLS_LOG_BRIEF_LOG_H_

#include <cstdint>
#include <memory>

#include "log_file/shared_log_file.h"
#include "module/critical_section.h"
#include "platform/thread_annotations.h"

namespace vo_tools::log {

class BriefLog {
 public:
  static constexpr const char* kSeparator = "---------------------------------------\n";
  // The size at or beyond which the next line first rotates the file.
  static constexpr std::uint64_t kRotateAt = 2097152;

  explicit BriefLog(CKaCriticalSection* lock) : lock_(lock) {}
  ~BriefLog();
  BriefLog(const BriefLog&) = delete;
  BriefLog& operator=(const BriefLog&) = delete;

  // Sets the log up on `name` (or the default name) in `directory` (null or
  // empty: the temporary directory), opens it for appending and writes the
  // separator line. A path or backup path beyond the platform's limit falls
  // back to the default name in the temporary directory, or leaves the log
  // without a file if that does not fit either. A file left open by an
  // earlier call is closed first.
  void Open(const char* name, const char* directory) EXCLUDES(lock_);

  // Appends `line` (null: nothing).
  void Append(const char* line) EXCLUDES(lock_);

 private:
  void WriteSeparatorIfDueLocked() REQUIRES(lock_);

  CKaCriticalSection* const lock_;
  std::unique_ptr<log_file::SharedLogFile> file_ GUARDED_BY(lock_);
  bool separator_due_ GUARDED_BY(lock_) = false;
};

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_BRIEF_LOG_H_
