// Making a log line and handing it to the log service in chunks.
#ifndef VO_TOOLS_LOG_LOG_LINE_H_
#define VO_TOOLS_LOG_LOG_LINE_H_

#include <cstddef>
#include <string>

#include "quill/quill_log.h"
#include "vo_tools/log.h"

namespace vo_tools::log {

// The log service's level for a line's level.
int ServiceLevel(VO_LOG_LEVEL level);

// The longest piece of a line handed to the log service in one Write.
constexpr std::size_t kMaxChunk = 16383;

// Builds "pid=<hex> tid=<hex> > <timestamp> > <message>\n" for the calling
// thread into `line`, reusing its storage. The stamp is made once per second
// per thread; a forked child makes its own.
void MakeLine(const char* message, std::string* line);

// Hands `line` (of `size` characters, zero-terminated) to `log` in
// consecutive pieces of at most kMaxChunk characters, stopping at the first
// Write that returns false. The line's storage is borrowed to terminate each
// piece and restored before returning.
void WriteInChunks(IQuillLog1* log, const char* context, int number, int service_level, char* line,
                   std::size_t size);

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_LOG_LINE_H_
