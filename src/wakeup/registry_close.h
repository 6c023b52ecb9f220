// What a wakable's destruction and the library's teardown take from the
// process-wide registry (wakeup_server.cc keeps it).
#ifndef VO_TOOLS_WAKEUP_REGISTRY_CLOSE_H_
#define VO_TOOLS_WAKEUP_REGISTRY_CLOSE_H_

#include "vo_tools/wakeup.h"

namespace vo_tools::wakeup {

// Retires the request registered for `wakable`, if any: it leaves the
// registry, and its timer is stopped once the registry lock is free (at the
// end of the delivery, when the wakable goes inside its own callback). No
// callback reaches `wakable` once this returns, but one already running on
// another thread. Throws nothing.
void RetireRequestOf(const KaWakable* wakable);

}  // namespace vo_tools::wakeup

#endif  // VO_TOOLS_WAKEUP_REGISTRY_CLOSE_H_
