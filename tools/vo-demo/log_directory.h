// The directory vo-demo logs into: one the user named, created if missing,
// or a new one of its own under the temporary directory, so that a run
// never appends to the files of an earlier one.
//
// Failures are results: an empty path and a message saying what could not
// be made. Nothing throws. Neither function removes anything.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_LOG_DIRECTORY_H_
#define VO_TOOLS_TOOLS_VO_DEMO_LOG_DIRECTORY_H_

#include <filesystem>
#include <string>

namespace vo_demo {

struct LogDirectory {
  std::filesystem::path path;  // absolute; empty on failure
  std::string error;
};

// `wanted` made absolute, with any missing parents created. A path that
// names something other than a directory is refused.
LogDirectory OpenLogDirectory(const std::filesystem::path& wanted);

// A directory that did not exist before, named "<prefix>XXXXXXXX" (eight
// random hex digits) inside `parent`.
LogDirectory MakeFreshLogDirectory(const std::filesystem::path& parent, const std::string& prefix);

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_LOG_DIRECTORY_H_
