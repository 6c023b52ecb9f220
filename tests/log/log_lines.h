// Reading back what the logging functions wrote: a line of either log is
// "pid=<hex> tid=<hex> > <Month dd hh:mm:ss> > <message>\n".
#ifndef VO_TOOLS_TESTS_LOG_LOG_LINES_H_
#define VO_TOOLS_TESTS_LOG_LOG_LINES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vo_tools_test {

// What the logs promise and the tests pin, each written once, here rather
// than taken from the library, so that a change to them shows.
//
// The brief log's separator line, with its line feed, written once per
// set-up that opens a file.
inline const std::string kSeparatorLine = std::string(39, '-') + "\n";
// The brief log rotates into its backup once it holds this many bytes.
inline constexpr std::uint64_t kBriefRotationBytes = 2 * 1024 * 1024;
// Each log looks at its path again within this much of its own output.
inline constexpr std::uint64_t kLookEveryBytes = 64 * 1024;
// The main log's default cap, past which it rotates.
inline constexpr std::uint64_t kMainLogCapBytes = 5 * 1024 * 1024;

// The process id and message of a whole stamped line (with its line feed),
// after the main log's record head if it has one; false when `line` is not
// one.
bool ParseLine(const std::string& line, unsigned long* pid, std::string* message);

// Whether `line` is the main log's record of a set-up, its separator.
bool IsSetUpRecord(const std::string& line);

// The lines of each existing file in turn, as ReadLines gives them.
std::vector<std::string> LinesOf(const std::vector<std::string>& files);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_LOG_LOG_LINES_H_
