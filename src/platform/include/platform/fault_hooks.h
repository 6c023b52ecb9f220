// Test-only hooks into the platform layer: a fault put into the k-th call of
// the file operations the logs use, and the clock the logs' looks go by.
//
// Nothing in the library sets them; a test that links the platform layer
// statically does, before it logs and from one thread. With no hook set
// every operation runs as it is and the clock is time(): the cost on each
// call is one relaxed load of a pointer.
#ifndef VO_TOOLS_PLATFORM_FAULT_HOOKS_H_
#define VO_TOOLS_PLATFORM_FAULT_HOOKS_H_

#include <cstdint>

namespace vo_tools::platform {

// The file operations a fault can be put into, one per call of AppendFile
// (or RenameFile, RemoveFile) that reaches the operating system.
enum class FileOp {
  kOpen,      // Open, and the open of Reopen
  kAppend,    // Append
  kSize,      // Size
  kIdentity,  // IsNamedBy, IsRemoved, IsRegular
  kLock,      // Lock
  kRename,    // RenameFile
  kRemove,    // RemoveFile
  kLastByte,  // EndsMidLine
};

enum class FileFault {
  kNone,
  kNoSpace,        // the call fails as on a full disk (ENOSPC)
  kShortWrite,     // an append stores the first half of its bytes and fails
                   // as on a full disk; any other call fails as kNoSpace
  kNoAccess,       // EACCES
  kNoDescriptors,  // EMFILE
  kNoEntry,        // ENOENT
  kExit,           // the process ends at the call, as a crash would (an
                   // append stores the first half of its bytes first)
};

// The status a process ended by kExit exits with.
constexpr int kInjectedExitStatus = 86;

// Asked before each operation; kNone lets it run.
using FileFaultHook = FileFault (*)(FileOp op);
void SetFileFaultHook(FileFaultHook hook);

// What the hook, if any, says for `op` now; ends the process for kExit
// unless `op` is kAppend (whose caller stores half its bytes first).
FileFault InjectedFault(FileOp op);

// Ends the process as kExit does.
[[noreturn]] void ExitAsInjected();

// The clock, in seconds, that the logs' looks at their files go by: time(),
// unless a test put its own in place.
using ClockHook = std::int64_t (*)();
void SetClockHook(ClockHook hook);
std::int64_t LookClock();

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_FAULT_HOOKS_H_
