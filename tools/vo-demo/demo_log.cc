#include "demo_log.h"

#include <fstream>
#include <system_error>

namespace vo_demo {
namespace {

constexpr const char* kMainName = "SysmetLog.txt";
constexpr const char* kBriefName = "SysmetLogBrief.txt";

}  // namespace

DemoLog::DemoLog(const std::filesystem::path& directory)
    : main_path_(directory / kMainName),
      brief_path_(directory / kBriefName),
      main_start_(SizeOf(main_path_)),
      brief_start_(SizeOf(brief_path_)) {
  Vo_PrintOut_Init(kMainName, kBriefName, directory.string().c_str(), "vo-demo", VO_LOG_INFO);
}

std::uintmax_t DemoLog::SizeOf(const std::filesystem::path& path) {
  std::error_code missing;
  const std::uintmax_t size = std::filesystem::file_size(path, missing);
  return missing ? 0 : size;
}

std::vector<std::string> DemoLog::LinesFrom(const std::filesystem::path& path,
                                            std::uintmax_t offset) {
  std::ifstream in(path, std::ios::binary);
  // A file that rolled over since is read from its start.
  if (SizeOf(path) >= offset) in.seekg(static_cast<std::streamoff>(offset));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vo_demo
