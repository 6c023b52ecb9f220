// Test seams of the platform layer: a fault put into the k-th call of the
// file operations the logs use.
//
// Only the test programs have them. The platform layer is built twice
// (vo_tools_seamed_library in src/CMakeLists.txt); the copy the tests link
// defines VO_TOOLS_TEST_SEAMS and fault_hooks.cc. In the copy that ships
// kTestSeams is false, each call site is a discarded `if constexpr` branch,
// and nothing declared below is defined (tests/check_shipped.cmake makes
// sure). A test sets the hook before it logs, from one thread; with none set
// every operation runs as it is.
#ifndef VO_TOOLS_PLATFORM_FAULT_HOOKS_H_
#define VO_TOOLS_PLATFORM_FAULT_HOOKS_H_

namespace vo_tools::platform {

// Not inline: each translation unit has its own, so the two builds of the
// layer never disagree about one variable.
#if defined(VO_TOOLS_TEST_SEAMS)
constexpr bool kTestSeams = true;
#else
constexpr bool kTestSeams = false;
#endif

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

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_FAULT_HOOKS_H_
