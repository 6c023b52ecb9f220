// service-names SUFFIX: the proxy's request and response service names for
// SUFFIX, one a line, through the library's exported function.
#ifndef VO_TOOLS_TOOLS_VO_TOOLS_SERVICE_NAMES_COMMAND_H_
#define VO_TOOLS_TOOLS_VO_TOOLS_SERVICE_NAMES_COMMAND_H_

#include "command.h"

namespace vo_tools_cli {

extern const Command kServiceNamesCommand;

}  // namespace vo_tools_cli

#endif  // VO_TOOLS_TOOLS_VO_TOOLS_SERVICE_NAMES_COMMAND_H_
