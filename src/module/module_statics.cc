// Construction follows definition order within this one translation unit, and
// teardown runs in the reverse order. The runtime registers each object's
// teardown once and runs it once (at unload, or at once if the load fails
// after the object was built), so no object is destroyed twice.
#include "module/module_statics.h"

// The registry's teardown frees its nodes but not the requests still in it:
// by then the host that runs their timers may be gone, so stopping them
// could call into unloaded code.
std::map<KaWakable*, CPlexWakeUpRequest*> CPlexWakeUpServer::m_aRequests;  // 1
CKaCriticalSection CPlexWakeUpServer::m_critsectionRequests;               // 2
int CPlexWakeUpServer::m_bRequestsInitialized = 0;                         // plain data

namespace vo_tools::module {

CKaCriticalSection g_logLock;   // 3
LogServiceHolder g_logService;  // 4

}  // namespace vo_tools::module
