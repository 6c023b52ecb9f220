#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <vo_tools/vo_tools.h>

#include "sections.h"

namespace vo_demo {
namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// A process sets logging up once, then logs from any thread: every line goes
// to the main log, and the flagged ones to the brief log as well.
bool ShowLogging(std::ostream& out) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vo-demo-logs";
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);  // start from empty files on every run
  std::filesystem::create_directories(dir);

  Vo_PrintOut_Init("SysmetLog.txt", "SysmetLogBrief.txt", dir.c_str(), "vo-demo", VO_LOG_INFO);
  Vo_PrintOut(VO_LOG_INFO, true, "demo", 1, "proxy started, %d plug-ins loaded", 3);
  Vo_PrintOut(VO_LOG_DEBUG, false, "demo", 2, "polling %s every %d ms", "cpu-load", 500);
  std::thread worker([] {
    Vo_PrintOut(VO_LOG_WARNING, true, "worker", 3, "disk-free at %d%% on /var", 91);
    Vo_PrintOut1(VO_LOG_INFO, false, "worker", 4, "100% of the samples sent");
  });
  worker.join();
  Vo_PrintOut(VO_LOG_ERROR, true, "demo", 5, "link-state: %s", "peer unreachable");
  Vo_PrintOut_Init("elsewhere.txt", "", "/nonexistent", "", VO_LOG_ERROR);  // changes nothing
  Vo_PrintOut1(VO_LOG_INFO, false, "demo", 6, "shutting down");

  const std::vector<std::string> main_lines = ReadLines(dir / "SysmetLog.txt");
  const std::vector<std::string> brief_lines = ReadLines(dir / "SysmetLogBrief.txt");
  out << "   logged 6 lines, 3 of them flagged for the brief log\n";
  out << "   brief log, first lines:\n";
  for (std::size_t i = 0; i < brief_lines.size() && i < 5; ++i) {
    out << "     " << brief_lines[i] << "\n";
  }
  out << "   main log: " << main_lines.size() << " lines\n";
  out << "   log directory: " << dir.string() << "\n";
  out << "     main log  " << (dir / "SysmetLog.txt").string() << "\n";
  out << "     brief log " << (dir / "SysmetLogBrief.txt").string() << "\n";

  return main_lines.size() == 6 && EndsWith(main_lines[3], " > 100% of the samples sent") &&
         brief_lines.size() == 4 && brief_lines[0] == std::string(39, '-') &&
         EndsWith(brief_lines[1], " > proxy started, 3 plug-ins loaded") &&
         EndsWith(brief_lines[2], " > disk-free at 91% on /var") &&
         EndsWith(brief_lines[3], " > link-state: peer unreachable") &&
         !std::filesystem::exists(dir / "elsewhere.txt");
}

}  // namespace vo_demo
