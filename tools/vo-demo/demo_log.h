// DemoLog: sets the library's logging up in one directory, logs through it
// while counting the lines it sent, and reads back what reached the files.
//
// Construct it once, before any other thread logs. Line may then be called
// from any thread (the host's timer thread included); the readers belong to
// the main thread once the logging threads are done. A directory given by
// the user may hold the logs of earlier runs: only what was appended after
// construction is read back.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_DEMO_LOG_H_
#define VO_TOOLS_TOOLS_VO_DEMO_DEMO_LOG_H_

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <vo_tools/log.h>

namespace vo_demo {

class DemoLog {
 public:
  explicit DemoLog(const std::filesystem::path& directory);
  DemoLog(const DemoLog&) = delete;
  DemoLog& operator=(const DemoLog&) = delete;

  // Logs one printf-style line to the main log, and to the brief log too
  // when `also_brief`.
  template <typename... Args>
  void Line(VO_LOG_LEVEL level, bool also_brief, const char* who, int number, const char* format,
            Args... args) {
    Vo_PrintOut(level, also_brief, who, number, format, args...);
    main_lines_.fetch_add(1, std::memory_order_relaxed);
    if (also_brief) brief_lines_.fetch_add(1, std::memory_order_relaxed);
  }

  int main_lines() const { return main_lines_.load(std::memory_order_relaxed); }
  int brief_lines() const { return brief_lines_.load(std::memory_order_relaxed); }
  const std::filesystem::path& main_path() const { return main_path_; }
  const std::filesystem::path& brief_path() const { return brief_path_; }

  // Why a log file cannot be written now ("SysmetLog.txt: Is a directory"),
  // found by opening each for appending as the library does; empty when
  // both can be.
  std::string WriteProblem() const;

  // The lines appended to each file since construction, without line feeds.
  std::vector<std::string> NewMainLines() const { return LinesFrom(main_path_, main_start_); }
  std::vector<std::string> NewBriefLines() const { return LinesFrom(brief_path_, brief_start_); }

 private:
  static std::uintmax_t SizeOf(const std::filesystem::path& path);
  static std::vector<std::string> LinesFrom(const std::filesystem::path& path,
                                            std::uintmax_t offset);

  const std::filesystem::path main_path_;
  const std::filesystem::path brief_path_;
  const std::uintmax_t main_start_;
  const std::uintmax_t brief_start_;
  std::atomic<int> main_lines_{0};
  std::atomic<int> brief_lines_{0};
};

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_DEMO_LOG_H_
