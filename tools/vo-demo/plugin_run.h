// The timed part of the demo: four plug-ins on the library's wake-up server,
// driven by the host timer service, known to each other by handles. Takes
// about three seconds.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_RUN_H_
#define VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_RUN_H_

#include <ostream>

#include "checks.h"
#include "demo_log.h"

namespace vo_demo {

// Runs the plug-ins until the watchdog has fired and every timer is given
// back, printing what they did on `out` and recording what was expected in
// `checks`. Every request is cancelled and the host stopped before it
// returns, whatever happened.
void RunPlugins(DemoLog* log, Checks* checks, std::ostream& out);

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_PLUGIN_RUN_H_
