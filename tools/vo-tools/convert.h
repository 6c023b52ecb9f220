// qp-encode and qp-decode: the codec over a file or standard input.
//
// They read FILE, or standard input for "-" or no FILE, and write the result
// whole to standard output. A decoded result may hold zero bytes, so they
// take the codec's core, which reports lengths, rather than the exported
// functions, which end their results with a zero byte. Input holding a zero
// byte is refused: the library's conversions take zero-terminated text, so
// it has no meaning for them.
#ifndef VO_TOOLS_TOOLS_VO_TOOLS_CONVERT_H_
#define VO_TOOLS_TOOLS_VO_TOOLS_CONVERT_H_

#include "command.h"

namespace vo_tools_cli {

extern const Command kEncodeCommand;
extern const Command kDecodeCommand;

}  // namespace vo_tools_cli

#endif  // VO_TOOLS_TOOLS_VO_TOOLS_CONVERT_H_
