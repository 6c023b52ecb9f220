// Diagnostic logging into a directory that does not exist yet: the library
// never creates a directory, so the first line is written nowhere and
// nothing says so (the logging functions report nothing). Once the caller
// has made the directory, a line logged in a later second reaches both logs:
// a log that could not be opened is tried again at most once a second.
// Better: make the directory before the first line.
//   log [DIR]    (default: vo_tools2-log-example in the temporary directory,
//                 removed first)
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include <vo_tools/log.h>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::error_code error;
  const fs::path log_dir_path =
      argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path(error) / "vo_tools2-log-example";
  if (argc <= 1) fs::remove_all(log_dir_path, error);
  if (fs::exists(log_dir_path)) {
    std::fprintf(stderr, "%s exists already\n", log_dir_path.string().c_str());
    return 2;
  }
  const std::string log_dir = log_dir_path.string();

  Vo_PrintOut_Init("SysmetLog.txt", "SysmetLogBrief.txt", log_dir.c_str(), "proxy", VO_LOG_INFO);
  Vo_PrintOut(VO_LOG_WARNING, true, "poller", 7, "disk-free at %d%%", 91);  // both logs
  // pid=1a4 tid=9c0 > March 07 21:05:09 > disk-free at 91%
  if (fs::exists(log_dir_path)) return 1;
  std::printf("%s is missing: the line went nowhere, and nothing said so\n", log_dir.c_str());

  fs::create_directories(log_dir_path, error);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // into a later second
  Vo_PrintOut(VO_LOG_WARNING, true, "poller", 7, "disk-free at %d%%", 92);
  const bool written =
      fs::exists(log_dir_path / "SysmetLog.txt") && fs::exists(log_dir_path / "SysmetLogBrief.txt");
  std::printf(written ? "once made, the directory holds both logs\n"
                      : "the directory was made, but a log is missing\n");
  return written ? 0 : 1;
}
