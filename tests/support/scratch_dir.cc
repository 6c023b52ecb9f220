#include "scratch_dir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include "child_process.h"

namespace vo_tools_test {

ScratchDir::ScratchDir() {
  std::string inherited;
  if (TakeInheritedScratchDir(&inherited)) {
    path_ = inherited;
    owned_ = false;
    return;
  }
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    std::filesystem::path candidate =
        std::filesystem::temp_directory_path() /
        ("vo_tools_log_test_" + std::to_string(stamp) + "_" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      NoteScratchDir(path_.string());
      return;
    }
  }
}

// Entries are listed first and removed deepest first, each on its own:
// MinGW's remove_all never returns when Windows refuses to remove an entry
// (the current directory, a file another handle holds).
ScratchDir::~ScratchDir() {
  if (!owned_) return;
  std::error_code error;
  std::vector<std::filesystem::path> entries;
  for (std::filesystem::recursive_directory_iterator it(path_, error), end; !error && it != end;
       it.increment(error)) {
    entries.push_back(it->path());
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    std::filesystem::remove(*entry, error);
  }
  std::filesystem::remove(path_, error);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
  out << contents;
}

bool FileExists(const std::string& path) {
  return std::filesystem::exists(std::filesystem::u8path(path));
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path));
  std::ostringstream text;
  text << in.rdbuf();
  const std::string contents = text.str();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find('\n', start);
    end = end == std::string::npos ? contents.size() : end + 1;
    lines.push_back(contents.substr(start, end - start));
    start = end;
  }
  return lines;
}

}  // namespace vo_tools_test
