// A command of vo-tools, and how every command reads its arguments:
// "--help" (or "-h") prints the command's usage; "--" ends the options, so
// that every later argument is an operand even when it starts with "-"; "-"
// alone is an operand (standard input, for the commands that read); any
// other argument that starts with "-" is an option the command does not
// take. The usage goes to standard output only when asked for.
#ifndef VO_TOOLS_TOOLS_VO_TOOLS_COMMAND_H_
#define VO_TOOLS_TOOLS_VO_TOOLS_COMMAND_H_

#include <string>
#include <vector>

namespace vo_tools_cli {

using Operands = std::vector<std::string>;

struct Command {
  const char* name;      // "qp-encode"
  const char* operands;  // as the usage shows them: "[FILE]"
  const char* summary;   // one line for the tool's usage
  const char* details;   // the rest of the command's own usage, lines ending in "\n"
  // The operands' names in order, for "missing SUFFIX"; at most three.
  const char* names[3];
  unsigned counts;  // bit n set: the command takes n operands
  int (*run)(const Operands& operands);
};

// "usage: vo-tools NAME OPERANDS\n" and the details.
std::string CommandUsage(const Command& command);

// Runs `command` on `arguments`, those after its name, read as above;
// kUsage, with a message naming what is missing or not taken, for
// arguments the command does not take.
int RunCommand(const Command& command, const std::vector<std::string>& arguments);

}  // namespace vo_tools_cli

#endif  // VO_TOOLS_TOOLS_VO_TOOLS_COMMAND_H_
