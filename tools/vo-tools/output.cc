#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vo_tools_cli {

bool StandardOutputIsClosed() {
  // Asking for the position touches nothing; only a descriptor that is not
  // open answers EBADF (a pipe or a terminal answers ESPIPE).
  errno = 0;
  return std::ftell(stdout) < 0 && errno == EBADF;
}

int Written(const std::string& output) {
  errno = 0;
  if (std::fwrite(output.data(), 1, output.size(), stdout) == output.size() &&
      std::fflush(stdout) == 0) {
    return kDone;
  }
  const int error = errno;
  return Fail(std::string("cannot write standard output") +
              (error != 0 ? std::string(": ") + std::strerror(error) : ""));
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vo-tools: %s\n", message.c_str());
  return kFailed;
}

int UsageError(const std::string& message, const std::string& help_command) {
  const std::string help = help_command.empty() ? "" : help_command + " ";
  std::fprintf(stderr, "vo-tools: %s\ntry 'vo-tools %s--help'\n", message.c_str(), help.c_str());
  return kUsage;
}

}  // namespace vo_tools_cli
