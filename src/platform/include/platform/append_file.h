// platform::AppendFile: a file opened for appending, for writers that share a
// file with other threads and other processes.
//
// Each Append is one write at the current end of the file, so chunks appended
// by threads and processes sharing the file never overwrite each other and
// never tear (short of a full disk). Append returns once the bytes are with
// the operating system, not in a user-space buffer: a crash of the process
// loses nothing it appended.
//
// Threads: Append, Size and IsNamedBy may run on many threads at once, also
// while one thread runs Reopen; Lock/Unlock/Reopen are called by one thread at
// a time. Failures are results; nothing throws except when memory runs out.
#ifndef VO_TOOLS_PLATFORM_APPEND_FILE_H_
#define VO_TOOLS_PLATFORM_APPEND_FILE_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace vo_tools::platform {

class AppendFile {
 public:
  // Opens `path` for appending, creating it when missing; null when it
  // cannot be opened.
  static std::unique_ptr<AppendFile> Open(const std::string& path);

  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Appends `size` bytes in one write; false when not all of them were
  // written.
  bool Append(const char* data, std::size_t size);

  // The file's current size; false when it cannot be read.
  bool Size(std::uint64_t* size) const;

  // True while `path` names this open file: false once the file has been
  // renamed or removed, or `path` names another file.
  bool IsNamedBy(const std::string& path) const;

  // Makes this object append to a fresh open of `path` (created when
  // missing). Appends running at the same time go wholly to the old file or
  // wholly to the new one. False, leaving the old file in use, when `path`
  // cannot be opened.
  bool Reopen(const std::string& path);

  // An exclusive lock on the open file that other processes holding the same
  // file also respect; blocks until granted. For the rare steps, such as
  // renaming the file, that must not interleave between processes.
  bool Lock();
  void Unlock();

 private:
  explicit AppendFile(std::intptr_t native) : native_(native) {}

  // The operating system's handle of the open file; it stays the same for
  // the object's life, Reopen included.
  const std::intptr_t native_;
};

// Opens `path` as a stdio stream appending in text mode ("at": a line feed is
// stored as the platform's line end), creating it when missing; null when it
// cannot be opened. Every write lands at the end of the file, whoever else
// appends to it; the stream is not inherited by child processes, and other
// processes may rename or remove the file while it is open, as on POSIX. The
// caller owns the stream and closes it with fclose.
std::FILE* OpenTextForAppend(const std::string& path);

// Renames `from` to `to`, replacing a file already named `to`.
bool RenameFile(const std::string& from, const std::string& to);

// Removes the file `path`; false when there was none or it could not be
// removed.
bool RemoveFile(const std::string& path);

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_APPEND_FILE_H_
