#include "service_names_command.h"

#include <cstring>
#include <string>
#include <vector>

#include <vo_tools/service_names.h>

#include "output.h"

namespace vo_tools_cli {
namespace {

int PrintServiceNames(const Operands& operands) {
  const char* suffix = operands[0].c_str();
  const std::size_t size = std::strlen(suffix) + 24;  // the longer prefix, 23, and the zero
  std::vector<char> requests(size);
  std::vector<char> responses(size);
  VoProxy_CreateServiceNames(suffix, requests.data(), responses.data());
  return Written(std::string(requests.data()) + "\n" + std::string(responses.data()) + "\n");
}

}  // namespace

const Command kServiceNamesCommand = {
    "service-names",
    "SUFFIX",
    "print the proxy's request and response service names",
    "Prints \"VoProxyReceiveRequests\" and \"VoProxyReceiveResponses\", each followed\n"
    "by SUFFIX, one a line. A SUFFIX that starts with \"-\" follows \"--\".\n",
    {"SUFFIX"},
    0b10u,
    PrintServiceNames};

}  // namespace vo_tools_cli
