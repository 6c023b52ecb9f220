// The module-wide state: what lives from library load to unload, and who
// owns it.
//
// Four objects need construction, so their order matters. They are all
// defined in one translation unit (module_statics.cc), which fixes the order
// at load whatever the link order, and the reverse order at unload:
//
//   1. CPlexWakeUpServer::m_aRequests           the wake-up registry   (wakeup)
//   2. CPlexWakeUpServer::m_critsectionRequests  the registry's lock    (wakeup)
//   3. g_logLock                                 the brief log's lock   (log)
//   4. g_logService                              the main log's object  (log)
//
// The module owns their storage and lifetime; the service named beside each
// is the only one that uses it. The dependency runs one way: services include
// this header, and the module includes no service's header (only the public
// wakeup.h that declares the registry, and the log service's interface that
// declares the holder). Nothing may use these objects outside the span from
// load to unload.
//
// The rest of the module-wide state is plain data that starts as zero and
// needs no constructor, so each service keeps its own beside its code:
// CPlexWakeUpServer::m_bRequestsInitialized (defined here with the other
// registry members, so that all of CPlexWakeUpServer's statics are in one
// place), and the log's set-up flag and brief log (log/print_out.cc).
//
// Lock order: a wakable's callback runs under the registry lock and may log,
// so the registry lock may be held when the log lock is taken, never the
// reverse.
#ifndef VO_TOOLS_MODULE_MODULE_STATICS_H_
#define VO_TOOLS_MODULE_MODULE_STATICS_H_

#include "module/critical_section.h"
#include "quill/quill_log.h"
#include "vo_tools/wakeup.h"

namespace vo_tools::module {

// The main log object, from logging set-up until unload. Starts with no
// object and no lock; assigned only by set-up, before any other thread reads
// it, and read without a lock afterwards.
using LogServiceHolder = QUILL::CSmartPtr<IQuillLog1>;

extern CKaCriticalSection g_logLock;
extern LogServiceHolder g_logService;

}  // namespace vo_tools::module

#endif  // VO_TOOLS_MODULE_MODULE_STATICS_H_
