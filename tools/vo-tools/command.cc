#include "command.h"

#include "output.h"

namespace vo_tools_cli {
namespace {

bool Takes(const Command& command, std::size_t count) {
  return count < 32 && (command.counts >> count & 1u) != 0;
}

// Names what is missing when the command takes more operands than it got,
// else the first operand past the most it takes.
int WrongCount(const Command& command, const Operands& operands) {
  std::size_t most = 0;
  for (std::size_t count = 0; count < 32; ++count) {
    if (Takes(command, count)) most = count;
  }
  const std::string where = std::string(command.name) + ": ";
  if (operands.size() < most) {
    return UsageError(where + "missing " + command.names[operands.size()], command.name);
  }
  return UsageError(where + "unexpected argument '" + operands[most] + "'", command.name);
}

}  // namespace

std::string CommandUsage(const Command& command) {
  return std::string("usage: vo-tools ") + command.name + " " + command.operands + "\n  " +
         command.summary + "\n" + command.details;
}

int RunCommand(const Command& command, const std::vector<std::string>& arguments) {
  Operands operands;
  bool options_ended = false;
  for (const std::string& argument : arguments) {
    if (options_ended || argument == "-" || argument.empty() || argument[0] != '-') {
      operands.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "-h") {
      return Written(CommandUsage(command));
    } else {
      return UsageError(std::string(command.name) + ": unknown option '" + argument + "'",
                        command.name);
    }
  }
  if (!Takes(command, operands.size())) return WrongCount(command, operands);
  return command.run(operands);
}

}  // namespace vo_tools_cli
