// The operating-system services the library's services use, behind one small
// interface: temporary directory, absolute paths, process and thread ids.
//
// Paths are kept in one encoding inside the library: the bytes the caller
// gave on POSIX, UTF-8 on Windows, where every file call takes them as wide
// characters, so that any folder Windows can name works (a temporary
// directory outside the ANSI code page included). Text from the library's
// callers, in the ANSI code page on Windows, enters through FromCallerText.
//
// Every function may be called from any thread. None throws except where
// std::string cannot allocate. Failures are reported by the result.
#ifndef VO_TOOLS_PLATFORM_ENV_H_
#define VO_TOOLS_PLATFORM_ENV_H_

#include <cstddef>
#include <string>

namespace vo_tools::platform {

// The separator this platform's file names use between directories.
extern const char kPathSeparator;

// The longest path, in characters, that this platform's file functions take,
// and a path's length counted as they count it (UTF-16 units on Windows).
extern const std::size_t kMaxPath;
std::size_t PathLength(const std::string& path);

// `text`, a caller's path or name (null: empty), in the library's encoding.
std::string FromCallerText(const char* text);

// True for either separator a caller may have written, '/' or '\\' on Windows,
// '/' elsewhere.
bool IsPathSeparator(char c);

// The directory for temporary files, always ending in a separator.
std::string TempDirectory();

// The absolute form of `path`, resolved against the current directory and
// with "." and ".." steps removed; a trailing separator is kept. The path need
// not exist. Returns false, leaving `absolute` untouched, when the current
// directory cannot be read or the result would exceed kMaxPath.
bool AbsolutePath(const std::string& path, std::string* absolute);

// True when no step of `path` (directory or file name) is longer than one
// name may be: what the file system of the path's directory reports, when it
// exists, or the platform's usual limit (255 characters).
bool NamesFit(const std::string& path);

// Ids of the calling process and thread, as the operating system shows them.
unsigned long CurrentProcessId();
unsigned long CurrentThreadId();

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_ENV_H_
