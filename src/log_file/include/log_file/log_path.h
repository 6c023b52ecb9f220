// Where the log files go: the default names, a log file's full path made
// from the caller's directory and file name, and a file's one backup. One
// definition for the logs and for vo-tools log-check.
#ifndef VO_TOOLS_LOG_FILE_LOG_PATH_H_
#define VO_TOOLS_LOG_FILE_LOG_PATH_H_

#include <string>

namespace vo_tools::log_file {

inline constexpr char kDefaultMainName[] = "SysmetLog.txt";
inline constexpr char kDefaultBriefName[] = "SysmetLogBrief.txt";

// `directory` made absolute (against the current directory), or the
// temporary directory when it is null, empty or cannot be resolved; ends in
// a separator: the platform's is appended unless it already ends in '/' or
// '\\'.
std::string LogDirectory(const char* directory);

// LogDirectory(directory) followed by `name`, or `default_name` when `name`
// is null or empty: the path the caller asks for.
std::string RequestedLogFilePath(const char* directory, const char* name, const char* default_name);

// RequestedLogFilePath, or, when that does not fit the platform's limits
// (the whole path too long, or one name in it longer than the file system
// takes), the default name in the temporary directory instead; the caller
// checks that result against the limits too.
std::string LogFilePath(const char* directory, const char* name, const char* default_name);

// `path` with its file name's last extension replaced by ".BAK", or with
// ".BAK" appended when the file name has none; dots in directory names and a
// file name's leading dot do not start an extension.
std::string BackupPath(const std::string& path);

// True when `path` fits the platform's path limit and each name in it the
// file system's limit on one name.
bool FitsPathLimit(const std::string& path);

}  // namespace vo_tools::log_file

#endif  // VO_TOOLS_LOG_FILE_LOG_PATH_H_
