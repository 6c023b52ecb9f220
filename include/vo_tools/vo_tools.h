// The whole exported interface of the vo_tools2 library.
//
// A client includes this header and links vo_tools2; nothing else is needed.
// Each service's header states its own contract.
#ifndef VO_TOOLS_VO_TOOLS_H_
#define VO_TOOLS_VO_TOOLS_H_

#include "vo_tools/base_exception.h"
#include "vo_tools/export.h"
#include "vo_tools/ext_in_config.h"
#include "vo_tools/handle_table.h"
#include "vo_tools/log.h"
#include "vo_tools/quoted_printable.h"
#include "vo_tools/service_names.h"
#include "vo_tools/version.h"
#include "vo_tools/wakeup.h"

#endif  // VO_TOOLS_VO_TOOLS_H_
