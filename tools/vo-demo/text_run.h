// The text utilities in the demo: a quoted-printable round trip and the
// proxy's service names for a suffix.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_TEXT_RUN_H_
#define VO_TOOLS_TOOLS_VO_DEMO_TEXT_RUN_H_

#include <ostream>
#include <string>

#include "checks.h"
#include "demo_log.h"

namespace vo_demo {

void RunTextUtilities(const std::string& suffix, DemoLog* log, Checks* checks, std::ostream& out);

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_TEXT_RUN_H_
