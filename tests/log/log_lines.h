// Reading back what the logging functions wrote: a line of either log is
// "pid=<hex> tid=<hex> > <Month dd hh:mm:ss> > <message>\n".
#ifndef VO_TOOLS_TESTS_LOG_LOG_LINES_H_
#define VO_TOOLS_TESTS_LOG_LOG_LINES_H_

#include <string>
#include <vector>

namespace vo_tools_test {

// The brief log's separator line, with its line feed.
extern const char kSeparatorLine[];

// The process id and message of a whole stamped line (with its line feed);
// false when `line` is not one.
bool ParseLine(const std::string& line, unsigned long* pid, std::string* message);

// The lines of each existing file in turn, as ReadLines gives them.
std::vector<std::string> LinesOf(const std::vector<std::string>& files);

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_LOG_LOG_LINES_H_
