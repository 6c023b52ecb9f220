// log-check DIR [MAIN [BRIEF]]: whether the library can write both of its
// log files in DIR, and if not, why, told before a process logs there; the
// library itself creates no directory and reports nothing.
//
// It cannot disagree with the library: the names, the defaults and the
// fallback of a name too long are the library's own (log_file/log_path.h),
// and each file is opened by the library's own rule (platform/append_file.h,
// which gives the reason of a refusal), with nothing appended. A file the
// opening created is removed again; anything but a regular file is
// reported.
//
// Prints one line per file, or one for DIR when it cannot hold them, on
// standard output: kDone when both files can be written, else kFailed.
#ifndef VO_TOOLS_TOOLS_VO_TOOLS_LOG_CHECK_H_
#define VO_TOOLS_TOOLS_VO_TOOLS_LOG_CHECK_H_

#include "command.h"

namespace vo_tools_cli {

extern const Command kLogCheckCommand;

}  // namespace vo_tools_cli

#endif  // VO_TOOLS_TOOLS_VO_TOOLS_LOG_CHECK_H_
