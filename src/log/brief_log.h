// BriefLog: the brief log file that flagged lines are appended to, with a
// separator line per set-up and rotation into one backup at 2 MiB.
//
// Every operation holds the lock given at construction (the module's log
// lock), so lines of different threads reach the file whole and one at a
// time; the object's state is only ever touched under that lock. Each line is
// one append that has left the process when Append returns.
//
// Processes sharing one path cooperate: a process rotates only while holding
// a lock on the file that the others respect, and only when the path still
// names the file it has open; when another process has rotated already, it
// follows the path instead. Every process looks at the path again within
// kCheckEveryBytes of its own output or on its first line in a new second of
// the clock, so one whose file another process rotated away appends to the
// backup meanwhile, and one whose file was removed or whose directory was
// moved notices and reopens the path. The file's size is kept here and asked
// of the system only at those looks and when this process's count reaches
// the threshold, so for one process the rotation point is exact.
//
// Failures cost lines, never the log: a file that cannot be opened (at
// set-up or later) is tried again on a line in a later second; after a write
// that failed or was cut short, and at each opening and look, the next text
// starts on a line of its own if the file ends mid-line. A file the path no
// longer names takes lines only below kRotateAt. Only a regular file is
// rotated. Nothing creates a missing directory; what the path may name, and
// who may own it, is the platform layer's AppendFile policy.
#ifndef VO_TOOLS_LOG_BRIEF_LOG_H_
#define VO_TOOLS_LOG_BRIEF_LOG_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "module/critical_section.h"
#include "platform/append_file.h"
#include "platform/thread_annotations.h"

namespace vo_tools::log {

class BriefLog {
 public:
  static constexpr const char* kDefaultName = "SysmetLogBrief.txt";
  static constexpr const char* kSeparator = "---------------------------------------\n";
  // The size at or beyond which the next line first rotates the file.
  static constexpr std::uint64_t kRotateAt = 2097152;
  // How much of its own output may pass before a process looks at the path
  // again (platform::LookIsDue).
  static constexpr std::uint64_t kCheckEveryBytes = platform::kLookEveryBytes;

  explicit BriefLog(CKaCriticalSection* lock) : lock_(lock) {}
  ~BriefLog();
  BriefLog(const BriefLog&) = delete;
  BriefLog& operator=(const BriefLog&) = delete;

  // Sets the log up on `name` (or kDefaultName) in `directory` (null or
  // empty: the temporary directory), opens it for appending and writes the
  // separator line; if the file cannot be opened now, the separator comes
  // with the first opening that succeeds. A path or backup path beyond the
  // platform's limit falls back to the default name in the temporary
  // directory, or leaves the log without a file if that does not fit
  // either. A file left open by an earlier call is closed first.
  void Open(const char* name, const char* directory) EXCLUDES(lock_);

  // Appends `line` (null: nothing), rotating first when the file has
  // reached kRotateAt.
  void Append(const char* line) EXCLUDES(lock_);

  // Whether a file is open now.
  bool IsOpen() EXCLUDES(lock_);
  std::string path() EXCLUDES(lock_);
  std::string backup_path() EXCLUDES(lock_);

 private:
  // Opens or looks at the file when that is due, writes the separator when
  // it is due, and then `line` (null: nothing more).
  void WriteLineLocked(const char* line) REQUIRES(lock_);
  bool OpenFileLocked() REQUIRES(lock_);
  // True when any of `text` reached the file.
  bool WriteTextLocked(const char* text, std::size_t size) REQUIRES(lock_);
  void LearnSizeLocked() REQUIRES(lock_);
  bool CheckIsDueLocked(std::int64_t now) const REQUIRES(lock_);
  void CheckFileLocked(std::int64_t now) REQUIRES(lock_);
  void RotateLocked() REQUIRES(lock_);
  // Reopens the path; true when that worked.
  bool FollowPathLocked() REQUIRES(lock_);

  CKaCriticalSection* const lock_;
  std::string path_ GUARDED_BY(lock_);
  std::string backup_path_ GUARDED_BY(lock_);
  std::unique_ptr<platform::AppendFile> file_ GUARDED_BY(lock_);
  // The file's size as last asked of the system, plus this process's
  // appends since.
  std::uint64_t size_ GUARDED_BY(lock_) = 0;
  // False while the system could not tell the size at the last asking.
  bool size_known_ GUARDED_BY(lock_) = false;
  std::uint64_t written_since_check_ GUARDED_BY(lock_) = 0;
  // The look clock (time()) at the last look at the path, or at the last
  // attempt to open it.
  std::int64_t checked_second_ GUARDED_BY(lock_) = -1;
  // The path named another file, or none, at the last look, and could not be
  // opened: until the next regular look, the old file takes the lines while
  // it is smaller than kRotateAt.
  bool astray_ GUARDED_BY(lock_) = false;
  // Astray, and no name leads to the old file any more: lines are dropped.
  bool removed_ GUARDED_BY(lock_) = false;
  bool separator_due_ GUARDED_BY(lock_) = false;
  // The file may end mid-line: set after a write that failed or was cut
  // short, and at each opening and look (another process may have crashed
  // mid-line); the next text then asks for the last byte.
  bool may_end_mid_line_ GUARDED_BY(lock_) = false;
};

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_BRIEF_LOG_H_
