// BriefLog: the brief log file that flagged lines are appended to, with a
// separator line per opening and rotation into one backup at 2 MiB.
//
// Every operation holds the lock given at construction (the module's log
// lock), so lines of different threads reach the file whole and one at a
// time, and whether the file is open is only ever read under that lock. The
// file stays open until the object is destroyed (the module's one object
// lives until the process ends); every line is flushed as it is written.
// Processes sharing one path each keep their own stream and rotation.
//
// Failures are silent: a file that cannot be opened takes no lines; a failed
// reopen after a rotation closes the log for good.
#ifndef VO_TOOLS_LOG_BRIEF_LOG_H_
#define VO_TOOLS_LOG_BRIEF_LOG_H_

#include <cstdio>
#include <string>

#include "module/critical_section.h"

namespace vo_tools::log {

class BriefLog {
 public:
  static constexpr const char* kDefaultName = "SysmetLogBrief.txt";
  static constexpr const char* kSeparator = "---------------------------------------\n";
  // The position at or beyond which the next line first rotates the file.
  static constexpr long kRotateAt = 2097152;

  explicit BriefLog(CKaCriticalSection* lock) : lock_(lock) {}
  ~BriefLog();
  BriefLog(const BriefLog&) = delete;
  BriefLog& operator=(const BriefLog&) = delete;

  // Opens `name` (or kDefaultName) in `directory` (null or empty: the
  // temporary directory) for appending and writes the separator line. A path
  // or backup path beyond the platform's limit falls back to the default
  // name in the temporary directory, or leaves the log closed if that does
  // not fit either. A stream left open by an earlier call is closed first.
  void Open(const char* name, const char* directory);

  // Appends `line` (null: nothing), rotating first when the file has
  // reached kRotateAt; does nothing while no file is open.
  void Append(const char* line);

  bool IsOpen();
  std::string path();
  std::string backup_path();

 private:
  void WriteLocked(const char* text);
  void RotateLocked();

  CKaCriticalSection* const lock_;
  std::string path_;
  std::string backup_path_;
  std::FILE* file_ = nullptr;
};

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_BRIEF_LOG_H_
