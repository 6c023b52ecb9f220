// vo-tools: the library's text utilities, and a check of a log directory,
// from the command line.
//
//   vo-tools qp-encode [FILE]           escape bytes of 0x80 and above and "="
//   vo-tools qp-decode [FILE]           undo the escapes
//   vo-tools service-names SUFFIX       print the proxy's two service names
//   vo-tools log-check DIR [MAIN [BRIEF]] whether the log files can be written in DIR
//   vo-tools --help | --version
//
// Each command reads its arguments as command.h says ("--help", "--", "-"),
// and each has its own file; this one holds the table of commands and the
// tool's own options.
//
// Exit status: 0 done; 1 when the work failed (an input that cannot be read,
// a standard output that cannot be written or is closed, memory, a log file
// that cannot be written), each with a message on standard error; 2 for a
// command line the tool does not take.
#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include <vo_tools/version.h>

#include "command.h"
#include "convert.h"
#include "log_check.h"
#include "output.h"
#include "platform/binary_stdio.h"
#include "service_names_command.h"

namespace vo_tools_cli {
namespace {

const Command* const kCommands[] = {&kEncodeCommand, &kDecodeCommand, &kServiceNamesCommand,
                                    &kLogCheckCommand};

std::string Usage() {
  std::string usage =
      "usage: vo-tools COMMAND [ARGUMENT]...\n"
      "       vo-tools --help | --version\n"
      "Commands:\n";
  for (const Command* command : kCommands) {
    std::string synopsis = std::string(command->name) + " " + command->operands;
    synopsis.resize(std::max<std::size_t>(synopsis.size() + 1, 28), ' ');
    usage += "  " + synopsis + command->summary + "\n";
  }
  return usage +
         "A FILE of \"-\" is standard input; \"--\" ends the options; \"vo-tools COMMAND\n"
         "--help\" prints a command's usage.\n"
         "Exit status: 0 done, 1 the work failed, 2 a usage error.\n";
}

const Command* Find(const std::string& name) {
  for (const Command* command : kCommands) {
    if (name == command->name) return command;
  }
  return nullptr;
}

int Run(const std::vector<std::string>& arguments) {
  std::size_t first = 0;
  if (first < arguments.size() && arguments[first] == "--") ++first;
  if (first == arguments.size()) return UsageError("missing COMMAND");
  const std::string& name = arguments[first];
  if (first == 0 && (name == "--help" || name == "-h")) return Written(Usage());
  if (first == 0 && name == "--version") {
    return Written("vo-tools " VO_TOOLS_VERSION_STRING "\n");
  }
  if (first == 0 && name.size() > 1 && name[0] == '-') {
    return UsageError("unknown option '" + name + "'");
  }
  const Command* command = Find(name);
  if (command == nullptr) return UsageError("unknown command '" + name + "'");
  return RunCommand(*command, {arguments.begin() + first + 1, arguments.end()});
}

}  // namespace
}  // namespace vo_tools_cli

int main(int argc, char** argv) {
  using namespace vo_tools_cli;
  vo_tools::platform::UseBinaryStandardStreams();
  if (StandardOutputIsClosed()) return Fail("standard output is closed");
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::bad_alloc&) {
    // Unwinding has let go of the large buffers; still, nothing allocates here.
    std::fputs("vo-tools: out of memory\n", stderr);
    return kFailed;
  } catch (const std::length_error&) {
    std::fputs("vo-tools: out of memory: the input is too long\n", stderr);
    return kFailed;
  }
}
