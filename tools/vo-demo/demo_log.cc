#include "demo_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

std::string DemoLog::WriteProblem() const {
  for (const std::filesystem::path& path : {main_path_, brief_path_}) {
    errno = 0;
    std::FILE* file = std::fopen(path.string().c_str(), "ab");
    if (file == nullptr) {
      const int error = errno;
      return path.filename().string() + ": " +
             (error != 0 ? std::strerror(error) : "cannot be opened for appending");
    }
    std::fclose(file);
  }
  return {};
}

std::uintmax_t DemoLog::SizeOf(const std::filesystem::path& path) {
  std::error_code missing;
  const std::uintmax_t size = std::filesystem::file_size(path, missing);
  return missing ? 0 : size;
}

std::vector<std::string> DemoLog::LinesFrom(const std::filesystem::path& path,
                                            std::uintmax_t offset) {
  std::ifstream in(path, std::ios::binary);
  // A file that rotated since is read from its start.
  if (SizeOf(path) >= offset) in.seekg(static_cast<std::streamoff>(offset));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vo_demo
