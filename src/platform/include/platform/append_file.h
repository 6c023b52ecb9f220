// platform::AppendFile: a file opened for appending, for writers that share a
// file with other threads and other processes.
//
// Each Append is one write at the current end of the file, so texts appended
// by threads and processes sharing the file never overwrite each other and
// never tear (short of a full disk, which may cut one short). Append returns
// once the bytes are with the operating system, not in a user-space buffer:
// a crash of the process loses nothing it appended. In text mode each line
// feed is stored as the platform's line end (CR LF on Windows), still in one
// write.
//
// Opening (Open and Reopen alike) is the one place of the logs' file policy:
// - it never blocks: a FIFO, a device or anything else at the path is opened
//   without waiting and written without blocking (a write that cannot
//   proceed fails); IsRegular tells a regular file, the only kind a log
//   rotates;
// - on POSIX the descriptor is never 0, 1 or 2, so that a process started
//   with those closed keeps its own output out of the file;
// - on POSIX, when users other than the process's own may write to the
//   file's directory, a symbolic link at the last step is not followed, and
//   an existing file is used only if the process's effective user owns it
//   (and, for a regular file, no other name links to it); otherwise the open
//   fails, with the part of the rule as its reason. A file it creates is not
//   writable by others (mode 0644 before the umask).
//
// Waiting: no call waits on another process for longer than kLockPatience:
// Lock gives up at the time it is given, and an append that meets CopyThenEmpty's lock
// (Windows) waits at most that long for it to go.
//
// Threads: Append, Size, IsNamedBy, IsRemoved, IsRegular and EndsMidLine may
// run on many threads at once, also while one thread runs Reopen;
// Lock/Unlock/Reopen are called by one thread at a time. Failures are
// results (an open's with its reason); nothing throws except when memory
// runs out. In the test programs' build, platform/fault_hooks.h lets a test
// make any of these calls fail.
#ifndef VO_TOOLS_PLATFORM_APPEND_FILE_H_
#define VO_TOOLS_PLATFORM_APPEND_FILE_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vo_tools::platform {

// The longest a call waits for what another process holds: a lock, or a
// copy under way.
inline constexpr std::chrono::milliseconds kLockPatience{100};

// Why an open failed: the reason a caller can tell a user, and the system's
// error code behind it (errno; GetLastError() on Windows), which
// SystemErrorText puts in words.
enum class OpenError {
  kNone,
  kNoDirectory,    // a directory on the path does not exist
  kNotADirectory,  // a step of the path names something else than a directory
  kNoPermission,   // the system refused access
  // Refused by the rule for a directory others can write (see above):
  kSharedDirectorySymlink,     // a symbolic link at the last step
  kSharedDirectoryOtherOwner,  // the file belongs to another user
  kSharedDirectoryHardLink,    // another name links to the file
  kNameTooLong,                // the path, or a name in it, is longer than the system takes
  kNotRegularFile,             // a directory is at the path
  kSystemError,                // anything else: the code says what
};

struct OpenFailure {
  OpenError error = OpenError::kNone;
  int code = 0;
};

// The system's words for `code`, an error code of OpenFailure.
std::string SystemErrorText(int code);

class AppendFile {
 public:
  enum class Mode { kBinary, kText };

  // Opens `path` for appending, creating it when missing (but never a
  // missing directory); null when it cannot be opened, with the reason in
  // `failure` when one is given.
  static std::unique_ptr<AppendFile> Open(const std::string& path, Mode mode = Mode::kBinary,
                                          OpenFailure* failure = nullptr);

  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Appends `size` bytes in one write; false when not all of them were
  // written. `stored`, when given, receives how much the file grew by: the
  // bytes on disk, line ends included, also when a full disk cut the write
  // short.
  bool Append(const char* data, std::size_t size, std::uint64_t* stored = nullptr);

  // The file's current size in bytes on disk; false when it cannot be read.
  bool Size(std::uint64_t* size) const;

  // True while `path` names this open file: false once the file has been
  // renamed or removed, or `path` names another file.
  bool IsNamedBy(const std::string& path) const;

  // True once no name leads to the open file any more (it was removed while
  // open, or is about to be as soon as the last handle closes); false while
  // one does, or when that cannot be read. A log whose path will not reopen
  // asks this to stop writing: what a removed file takes could never be
  // read, and it grows out of sight, on a disk that no listing shows
  // filling, until the process ends.
  bool IsRemoved() const;

  // False once the open file is known to be something other than a regular
  // file (a FIFO, socket or device); true also when that cannot be read, so
  // that a failed look never stops a rotation.
  bool IsRegular() const;

  // True when the file does not end with a line feed, so that text appended
  // now would continue its last line (after a write a full disk or a crash
  // cut short); also true when that cannot be read. False for an empty file
  // and for anything but a regular file, whose end cannot be read.
  bool EndsMidLine() const;

  // Makes this object append to a fresh open of `path` (created when
  // missing). Appends running at the same time go wholly to the old file or
  // wholly to the new one. False, leaving the old file in use, when `path`
  // cannot be opened.
  bool Reopen(const std::string& path);

  // An exclusive lock on the open file, for the rare steps (such as renaming
  // the file) that must not interleave between processes. kBusy when another
  // process still holds it at `give_up` (at most kLockPatience from now, for
  // the bound above); kFailed when the file system
  // has no locks (or refused this one). It excludes other processes only:
  // threads of one process exclude each other by their own lock. A forked
  // child never inherits it, and on POSIX closing any other descriptor this
  // process holds on the same file lets it go. Unlock only after kLocked.
  enum class Locked { kLocked, kBusy, kFailed };
  Locked Lock(std::chrono::steady_clock::time_point give_up);
  void Unlock();

 private:
  explicit AppendFile(std::intptr_t native) : native_(native) {}

  // What this platform's implementation keeps the open file behind: a file
  // descriptor on POSIX (Reopen swaps the file behind the same number), a
  // record that holds the current handle on Windows. Fixed for the object's
  // life, Reopen included.
  const std::intptr_t native_;
};

// Renames `from` to `to`, replacing a file already named `to`.
bool RenameFile(const std::string& from, const std::string& to);

// Removes the file `path`; false when there was none or it could not be
// removed. On Windows the file is first renamed aside, within the path
// limit: kRemoveFileExtraLength is the most that name adds to `path`.
bool RemoveFile(const std::string& path);
extern const std::size_t kRemoveFileExtraLength;

// The size of the file `path` names, 0 when it names none; false when that
// cannot be read.
bool FileSizeOf(const std::string& path, std::uint64_t* size);

// For a file that another program holds open against renaming and removal
// (on Windows, one opened without sharing the right to delete: the
// runtime's fopen, many tailers and scanners), the two steps a rotation
// can still take, under the file lock of the rotating log:
// - EmptyFile cuts `path` to no bytes;
// - CopyThenEmpty gives `to` (created or replaced in place) a copy of
//   `from` and then empties `from`, while appends of other processes to
//   `from` wait out the copy (a lock on its data, which Append waits for,
//   within kLockPatience). False when it cannot be done; `from` is then
//   untouched, and `to` left empty.
// Both are always false on POSIX, where renaming and removal do not depend
// on what other programs hold, and where nothing could make other
// processes' appends wait out a copy.
bool EmptyFile(const std::string& path);
bool CopyThenEmpty(const std::string& from, const std::string& to);

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_APPEND_FILE_H_
