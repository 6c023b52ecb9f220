// Where the log files go: the default names, a log file's full path made
// from the caller's directory and file name, and a file's one backup. One
// definition for the logs and for vo-tools log-check.
#ifndef VO_TOOLS_LOG_FILE_LOG_PATH_H_
#define VO_TOOLS_LOG_FILE_LOG_PATH_H_

#include <string>
#include <vector>

namespace vo_tools::log_file {

inline constexpr char kDefaultMainName[] = "SysmetLog.txt";
inline constexpr char kDefaultBriefName[] = "SysmetLogBrief.txt";
// How many numbered backups the main log keeps.
inline constexpr unsigned kMainLogBackups = 5;

// `directory` made absolute (against the current directory), or the
// temporary directory when it is null, empty or cannot be resolved; ends in
// a separator: the platform's is appended unless it already ends in '/' or
// '\\'.
std::string LogDirectory(const char* directory);

// LogDirectory(directory) followed by `name`, or `default_name` when `name`
// is null or empty: the path the caller asks for.
std::string RequestedLogFilePath(const char* directory, const char* name, const char* default_name);

// The backups a log at a path rotates into, newest first.
using Backups = std::vector<std::string> (*)(const std::string& path);

// RequestedLogFilePath, or, when that or a name derived from it (`backups`,
// and the names the platform gives them while removing them) does not fit
// the platform's limits (the whole path too long, or one name in it longer
// than the file system takes), the default name in the temporary directory
// instead; the caller checks that result with FitsWithItsBackups too.
std::string LogFilePath(const char* directory, const char* name, const char* default_name,
                        Backups backups);

// `path` with its file name's last extension replaced by ".BAK", or with
// ".BAK" appended when the file name has none; dots in directory names and a
// file name's leading dot do not start an extension.
std::string BackupPath(const std::string& path);

// The brief log's one backup (BackupPath), and the main log's
// kMainLogBackups numbered ones: path.1 (the newest) to path.5.
std::vector<std::string> BriefLogBackups(const std::string& path);
std::vector<std::string> MainLogBackups(const std::string& path);
std::vector<std::string> NumberedBackups(const std::string& path, unsigned count);

// True when `path` fits the platform's path limit and each name in it the
// file system's limit on one name.
bool FitsPathLimit(const std::string& path);

// True when `path` and every name a log derives from it fit: each of
// `backups`, also with what RemoveFile adds to a name it removes (the
// file itself when there are no backups).
bool FitsWithItsBackups(const std::string& path, const std::vector<std::string>& backups);

}  // namespace vo_tools::log_file

#endif  // VO_TOOLS_LOG_FILE_LOG_PATH_H_
