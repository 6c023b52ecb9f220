#include "log_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "log_file/log_path.h"
#include "output.h"
#include "platform/append_file.h"
#include "platform/env.h"

namespace vo_tools_cli {
namespace {

namespace fs = std::filesystem;
using vo_tools::platform::AppendFile;
using vo_tools::platform::OpenError;
using vo_tools::platform::OpenFailure;

struct Verdict {
  bool writable;
  std::string line;  // ends in "\n"
};

Verdict Problem(const std::string& subject, const std::string& why) {
  return {false, subject + ": " + why + "\n"};
}

// The reasons of the library's open rule, in an operator's words.
std::string Why(const OpenFailure& failure) {
  const char* shared = " (in a directory other users can write)";
  switch (failure.error) {
    case OpenError::kNoDirectory:
      return "a directory on its path does not exist (the library creates no directory)";
    case OpenError::kNotADirectory:
      return "a step of its path is not a directory";
    case OpenError::kNoPermission:
      return "no permission (" + vo_tools::platform::SystemErrorText(failure.code) + ")";
    case OpenError::kSharedDirectorySymlink:
      return std::string("refused: a symbolic link") + shared;
    case OpenError::kSharedDirectoryOtherOwner:
      return std::string("refused: owned by another user") + shared;
    case OpenError::kSharedDirectoryHardLink:
      return std::string("refused: another name links to the file") + shared;
    case OpenError::kNameTooLong:
      return "a name too long for the file system (" +
             vo_tools::platform::SystemErrorText(failure.code) + ")";
    case OpenError::kNotRegularFile:
      return "is a directory";
    default:
      return vo_tools::platform::SystemErrorText(failure.code);
  }
}

// A name the library does not use: it logs under the default name in the
// temporary directory instead.
Verdict FallsBack(const std::string& path, const std::string& why, const char* fallback) {
  return Problem(path, why + "; the library logs to " + vo_tools::platform::TempDirectory() +
                           fallback + " instead");
}

// Why the library would not use `path`, or a name it derives from it (its
// `backups`, with what removing one adds), or an empty text when all fit.
std::string WhyNotUsed(const std::string& path, const std::vector<std::string>& backups) {
  std::vector<std::string> names{path};
  names.insert(names.end(), backups.begin(), backups.end());
  for (const std::string& name : names) {
    const std::size_t length = vo_tools::platform::PathLength(name);
    if (length > vo_tools::platform::kMaxPath) {
      return "too long for the platform (" + std::to_string(length) + " characters in " + name +
             ", at most " + std::to_string(vo_tools::platform::kMaxPath) + ")";
    }
    if (!vo_tools::log_file::FitsPathLimit(name))
      return "a name in it is too long for the file system";
  }
  if (!vo_tools::log_file::FitsWithItsBackups(path, backups)) {
    return "too long for the names of its backups while they are removed (at most " +
           std::to_string(vo_tools::platform::kMaxPath -
                          vo_tools::platform::kRemoveFileExtraLength) +
           " characters each)";
  }
  return "";
}

// What the library's open makes of `path`. A file it creates for the
// asking is removed again: the link's target, when a link to nothing led
// there.
Verdict Open(const std::string& path, OpenFailure* failure) {
  std::error_code error;
  const bool existed = fs::exists(path, error);
  const fs::path link = fs::is_symlink(path, error) ? fs::read_symlink(path, error) : fs::path();
  std::unique_ptr<AppendFile> file = AppendFile::Open(path, AppendFile::Mode::kBinary, failure);
  if (file == nullptr) {
    return Problem(path, std::string(existed ? "cannot be appended to: " : "cannot be created: ") +
                             Why(*failure));
  }
  const bool regular = file->IsRegular();
  file.reset();
  if (existed && !regular) {
    return Problem(path,
                   "exists but is not a regular file (the library writes to it without "
                   "waiting, and never rotates it)");
  }
  if (existed) return {true, path + ": exists and can be appended to\n"};
  const fs::path created = link.empty() ? fs::path(path) : fs::path(path).parent_path() / link;
  if (std::remove(created.string().c_str()) != 0) {
    return {true, path +
                      ": can be created and appended to; created here, and it could not be "
                      "removed again: " +
                      std::strerror(errno) + "\n"};
  }
  return {true, path + ": can be created and appended to (created and removed again)\n"};
}

Verdict CheckFile(const std::string& directory, const std::string& name, const char* fallback,
                  OpenFailure* failure) {
  const std::string path =
      vo_tools::log_file::RequestedLogFilePath(directory.c_str(), name.c_str(), fallback);
  const bool brief = fallback == std::string(vo_tools::log_file::kDefaultBriefName);
  const std::string why = WhyNotUsed(path, brief ? vo_tools::log_file::BriefLogBackups(path)
                                                 : vo_tools::log_file::MainLogBackups(path));
  if (!why.empty()) return FallsBack(path, why, fallback);
  return Open(path, failure);
}

int LogCheck(const Operands& operands) {
  std::string absolute;
  if (!operands[0].empty() &&
      !vo_tools::platform::AbsolutePath(vo_tools::platform::FromCallerText(operands[0].c_str()),
                                        &absolute)) {
    Written(Problem(operands[0],
                    "cannot be made absolute; the library logs to the temporary "
                    "directory " +
                        vo_tools::platform::TempDirectory() + " instead")
                .line);
    return kFailed;
  }
  // DIR as the library resolves it, shown without its final separator.
  std::string directory = vo_tools::log_file::LogDirectory(operands[0].c_str());
  if (directory.size() > 1) directory.pop_back();
  std::string output;
  bool writable = true;
  const char* const defaults[] = {vo_tools::log_file::kDefaultMainName,
                                  vo_tools::log_file::kDefaultBriefName};
  for (std::size_t n = 0; n < 2; ++n) {
    OpenFailure failure;
    const std::string name = operands.size() > n + 1 ? operands[n + 1] : "";
    const Verdict verdict = CheckFile(operands[0], name, defaults[n], &failure);
    // DIR itself cannot hold the files: one line says so for both.
    if (name.find_first_of("/\\") == std::string::npos &&
        (failure.error == OpenError::kNoDirectory || failure.error == OpenError::kNotADirectory)) {
      output = Problem(directory, failure.error == OpenError::kNoDirectory
                                      ? "does not exist (the library creates no directory)"
                                      : "is not a directory")
                   .line;
      writable = false;
      break;
    }
    output += verdict.line;
    writable = writable && verdict.writable;
  }
  return Written(output) == kDone && writable ? kDone : kFailed;
}

}  // namespace

const Command kLogCheckCommand = {
    "log-check",
    "DIR [MAIN [BRIEF]]",
    "say whether the log files can be written in DIR, and if not, why",
    "MAIN and BRIEF name the main and the brief log (empty or missing:\n"
    "SysmetLog.txt and SysmetLogBrief.txt); DIR is made absolute as the library\n"
    "makes it, and an empty DIR means the temporary directory. Each file is\n"
    "opened by the library's own rule, with nothing appended; one that did not\n"
    "exist is removed again. Prints one line per file on standard output.\n"
    "Exit status: 0 both files can be written, 1 not (or the output failed).\n",
    {"DIR", "MAIN", "BRIEF"},
    0b1110u,
    LogCheck};

}  // namespace vo_tools_cli
