// log-check DIR [MAIN BRIEF]: whether the library can write both of its log
// files in DIR, and if not, why, told before a process logs there; the
// library itself creates no directory and reports nothing.
//
// The files are named as the library names them: MAIN and BRIEF (empty or
// missing: SysmetLog.txt and SysmetLogBrief.txt) in DIR made absolute, or in
// the temporary directory for an empty DIR. A file that exists is opened for
// appending and closed, with nothing appended; one that does not is created
// and removed again. Anything but a regular file at a name is reported and
// not opened (opening a FIFO that no one reads would block).
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
