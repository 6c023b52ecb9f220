// A fresh directory for one test's files, removed with everything in it when
// the test ends; and small file helpers for the log tests. Paths are in the
// platform's own form (backslashes on Windows), as the library reports them.
#ifndef VO_TOOLS_TESTS_SUPPORT_SCRATCH_DIR_H_
#define VO_TOOLS_TESTS_SUPPORT_SCRATCH_DIR_H_

#include <filesystem>
#include <string>
#include <vector>

namespace vo_tools_test {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The directory, with a trailing separator.
  std::string path() const { return (path_ / "").string(); }
  // `name` may hold '/' between its steps; it is given the platform's own.
  std::string operator/(const std::string& name) const {
    return (path_ / std::filesystem::path(name).make_preferred()).string();
  }

 private:
  std::filesystem::path path_;
  bool owned_ = true;  // false in a child handed its parent's directory
};

// The helpers take paths in UTF-8, the library's own encoding on Windows.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);

// The file's lines as a text-mode reader sees them (the platform's line end
// read as a line feed), each with its line feed; a last piece without one is
// returned as it is.
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_SUPPORT_SCRATCH_DIR_H_
