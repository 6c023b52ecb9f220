#include "log_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "output.h"
#include "platform/env.h"

namespace vo_tools_cli {
namespace {

namespace fs = std::filesystem;

constexpr char kDefaultMain[] = "SysmetLog.txt";
constexpr char kDefaultBrief[] = "SysmetLogBrief.txt";

struct Verdict {
  bool writable;
  std::string line;  // ends in "\n"
};

Verdict Problem(const std::string& subject, const std::string& why) {
  return {false, subject + ": " + why + "\n"};
}

// DIR as the library resolves it, ending in a separator; or why no log can
// be written there.
Verdict ResolveDirectory(const std::string& wanted, std::string* directory) {
  if (wanted.empty()) {
    *directory = vo_tools::platform::TempDirectory();
    return {true, ""};
  }
  if (!vo_tools::platform::AbsolutePath(wanted, directory)) {
    return Problem(wanted, "cannot be made absolute; the library logs to the temporary directory " +
                               vo_tools::platform::TempDirectory() + " instead");
  }
  std::error_code error;
  const fs::file_status status = fs::status(*directory, error);
  if (status.type() == fs::file_type::not_found) {
    return Problem(*directory, "does not exist (the library creates no directory)");
  }
  if (error) return Problem(*directory, error.message());
  if (status.type() != fs::file_type::directory) return Problem(*directory, "is not a directory");
  if (!vo_tools::platform::IsPathSeparator(directory->back())) {
    *directory += vo_tools::platform::kPathSeparator;
  }
  return {true, ""};
}

Verdict Create(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr)
    return Problem(path, std::string("cannot be created: ") + std::strerror(errno));
  std::fclose(file);
  if (std::remove(path.c_str()) != 0) {
    return {true, path +
                      ": can be created and appended to; created here, and it could not be "
                      "removed again: " +
                      std::strerror(errno) + "\n"};
  }
  return {true, path + ": can be created and appended to (created and removed again)\n"};
}

Verdict Append(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    return Problem(path, std::string("cannot be appended to: ") + std::strerror(errno));
  }
  std::fclose(file);
  return {true, path + ": exists and can be appended to\n"};
}

// A name the library does not use: it logs under the default name in the
// temporary directory instead.
Verdict FallsBack(const std::string& path, const std::string& why, const char* fallback) {
  return Problem(path, why + "; the library logs to " + vo_tools::platform::TempDirectory() +
                           fallback + " instead");
}

Verdict CheckFile(const std::string& directory, const std::string& name, const char* fallback) {
  const std::string path = directory + (name.empty() ? fallback : name.c_str());
  if (path.size() > vo_tools::platform::kMaxPath) {
    return FallsBack(path,
                     "too long for the platform (" + std::to_string(path.size()) +
                         " characters, at most " + std::to_string(vo_tools::platform::kMaxPath) +
                         ")",
                     fallback);
  }
  std::error_code error;
  const fs::file_status link = fs::symlink_status(path, error);
  const fs::file_status status = fs::status(path, error);
  if (error == std::errc::filename_too_long) {
    return FallsBack(path, "a name the file system refuses: " + error.message(), fallback);
  }
  if (status.type() == fs::file_type::not_found) {
    // A link to nothing would have its target created, which removing the
    // link would leave behind.
    if (link.type() == fs::file_type::symlink) return Problem(path, "is a link to nothing");
    return Create(path);
  }
  if (error) return Problem(path, "cannot be opened: " + error.message());
  if (status.type() != fs::file_type::regular) {
    return Problem(path, "exists but is not a regular file (not opened)");
  }
  return Append(path);
}

int LogCheck(const Operands& operands) {
  std::string directory;
  const Verdict where = ResolveDirectory(operands[0], &directory);
  if (!where.writable) {
    Written(where.line);
    return kFailed;
  }
  const bool named = operands.size() == 3;
  const Verdict main = CheckFile(directory, named ? operands[1] : "", kDefaultMain);
  const Verdict brief = CheckFile(directory, named ? operands[2] : "", kDefaultBrief);
  const int written = Written(main.line + brief.line);
  return written == kDone && main.writable && brief.writable ? kDone : kFailed;
}

}  // namespace

const Command kLogCheckCommand = {
    "log-check",
    "DIR [MAIN BRIEF]",
    "say whether the log files can be written in DIR, and if not, why",
    "MAIN and BRIEF name the main and the brief log (empty: SysmetLog.txt and\n"
    "SysmetLogBrief.txt); DIR is made absolute as the library makes it, and an\n"
    "empty DIR means the temporary directory. A log file that exists is opened\n"
    "for appending and closed, with nothing appended; one that does not is\n"
    "created and removed again. Prints one line per file on standard output.\n"
    "Exit status: 0 both files can be written, 1 not (or the output failed).\n",
    {"DIR", "MAIN", "BRIEF"},
    0b1010u,
    LogCheck};

}  // namespace vo_tools_cli
