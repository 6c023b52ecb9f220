// Construction follows definition order within this one translation unit, and
// teardown runs in the reverse order. The runtime registers each object's
// teardown once and runs it once (at unload, or at once if the load fails
// after the object was built), so no object is destroyed twice.
#include "module/module_statics.h"

namespace vo_tools::module {

RequestRegistry g_requests;           // 1
CKaCriticalSection g_requestsLock;    // 2
CKaCriticalSection g_logLock;         // 3
LogServiceHolder g_logService;        // 4

}  // namespace vo_tools::module
