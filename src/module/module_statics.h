// The module-wide objects that live from library load to unload.
//
// All four are defined in one translation unit (module_statics.cc) so that
// they are constructed in a fixed order at load (request registry, registry
// lock, log lock, log-service holder) and destroyed in the reverse order at
// unload, whatever the link order. Nothing may use them outside that span.
#ifndef VO_TOOLS_MODULE_MODULE_STATICS_H_
#define VO_TOOLS_MODULE_MODULE_STATICS_H_

#include "module/critical_section.h"
#include "quill/quill_log.h"
#include "vo_tools/wakeup.h"

// The request registry and its lock are CPlexWakeUpServer::m_aRequests and
// CPlexWakeUpServer::m_critsectionRequests (vo_tools/wakeup.h).

namespace vo_tools::module {

// The main log object, from logging set-up until unload. Starts with no
// object and no lock; assigned only by set-up, before any other thread reads
// it, and read without a lock afterwards.
using LogServiceHolder = QUILL::CSmartPtr<IQuillLog1>;

// Guards the brief log file; taken after the registry lock when both are held.
extern CKaCriticalSection g_logLock;
extern LogServiceHolder g_logService;

}  // namespace vo_tools::module

#endif  // VO_TOOLS_MODULE_MODULE_STATICS_H_
