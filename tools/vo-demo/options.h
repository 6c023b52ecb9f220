// The command line of vo-demo: what it may be told, and the usage text.
//
// ParseDemoOptions reads argv only; it prints nothing and touches no file.
// A command line it cannot take yields a one-line message naming the fault,
// for main to print with a pointer to --help.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_OPTIONS_H_
#define VO_TOOLS_TOOLS_VO_DEMO_OPTIONS_H_

#include <string>

namespace vo_demo {

struct DemoOptions {
  bool help = false;
  // Where the logs go; empty means a fresh directory under the temporary one,
  // removed at the end unless `keep_logs`.
  std::string log_dir;
  bool keep_logs = false;
  // Appended to the proxy's service names.
  std::string suffix = "_demo";
};

struct ParsedOptions {
  DemoOptions options;
  std::string error;  // empty when the command line was taken
};

// Takes "--log-dir DIR" (not empty), "--suffix TEXT" (may be empty), both
// also as "--name=value", "--keep-logs", and "--help" or "-h"; anything
// else is an error. A later option overrides an earlier one; --help wins
// over everything but a malformed command line.
ParsedOptions ParseDemoOptions(int argc, const char* const* argv);

// The text --help prints, ending with a line feed.
std::string DemoUsage();

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_OPTIONS_H_
