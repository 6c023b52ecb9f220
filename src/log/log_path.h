// Where the log files go: composing a log file's full path from the caller's
// directory and file name, and naming a file's one backup.
#ifndef VO_TOOLS_LOG_LOG_PATH_H_
#define VO_TOOLS_LOG_LOG_PATH_H_

#include <string>

namespace vo_tools::log {

// `directory` made absolute (against the current directory), or the
// temporary directory when it is null, empty or cannot be resolved; ends in
// a separator: the platform's is appended unless it already ends in '/' or
// '\\'.
std::string LogDirectory(const char* directory);

// LogDirectory(directory) followed by `name`, or `default_name` when `name`
// is null or empty. When that does not fit the platform's limits (the whole
// path too long, or one name in it longer than the file system takes), the
// default name in the temporary directory instead; the caller checks that
// result against the limits too.
std::string LogFilePath(const char* directory, const char* name, const char* default_name);

// `path` with its file name's last extension replaced by ".BAK", or with
// ".BAK" appended when the file name has none; dots in directory names and a
// file name's leading dot do not start an extension.
std::string BackupPath(const std::string& path);

// True when `path` fits the platform's path limit and each name in it the
// file system's limit on one name.
bool FitsPathLimit(const std::string& path);

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_LOG_PATH_H_
