// What vo-tools writes and the exit status that goes with it: results to
// standard output, messages to standard error as "vo-tools: ...".
//
// Exit status: kDone when the work was done, kFailed when it could not be
// (an input, the output, memory), kUsage for a command line the tool does
// not take. A usage error prints a one-line hint, never the whole usage,
// which is printed only when asked for.
#ifndef VO_TOOLS_TOOLS_VO_TOOLS_OUTPUT_H_
#define VO_TOOLS_TOOLS_VO_TOOLS_OUTPUT_H_

#include <string>

namespace vo_tools_cli {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// True when the program was started without a standard output at all
// (`>&-`). Checked first, so that nothing the tool opens can take the
// standard output's descriptor and receive what was meant for it.
bool StandardOutputIsClosed();

// Writes `output` whole to standard output: kDone, or kFailed with a message
// when it could not be written (a full disk, a closed descriptor).
int Written(const std::string& output);

// Prints "vo-tools: <message>" on standard error; kFailed.
int Fail(const std::string& message);

// Prints "vo-tools: <message>" and the hint to `help_command`'s usage
// ("vo-tools --help" when it is empty); kUsage.
int UsageError(const std::string& message, const std::string& help_command = "");

}  // namespace vo_tools_cli

#endif  // VO_TOOLS_TOOLS_VO_TOOLS_OUTPUT_H_
