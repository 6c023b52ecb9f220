// Making a log line and handing it to the log service in pieces.
#ifndef VO_TOOLS_LOG_LOG_LINE_H_
#define VO_TOOLS_LOG_LOG_LINE_H_

#include <cstddef>
#include <ctime>
#include <string>

#include "quill/quill_log.h"
#include "vo_tools/log.h"

namespace vo_tools::log {

// The log service's level for a line's level.
int ServiceLevel(VO_LOG_LEVEL level);

// The longest piece of a line handed to the log service in one Write.
constexpr std::size_t kMaxPiece = 16383;

// What each thread keeps between its lines, in one thread-local object so
// that a line costs one lookup of thread-local storage.
struct ThreadLogState {
  // "pid=<hex> tid=<hex> > <timestamp> > ", remade once per second, and
  // at once in a forked child.
  unsigned long process_id = 0;
  unsigned long thread_id = 0;
  std::time_t stamp_second = -1;
  std::size_t stamp_size = 0;
  char stamp[256] = {};
  // Scratch storage for the formatted message and the line.
  std::string message;
  std::string line;
};

ThreadLogState& ThisThreadLogState();

// Builds "pid=<hex> tid=<hex> > <timestamp> > <message>\n" into
// `state->line`, reusing its storage.
void MakeLine(const char* message, ThreadLogState* state);

// Lets go of scratch storage that a very long line grew.
void TrimScratch(ThreadLogState* state);

// Hands `line` (of `size` characters, zero-terminated) to `log` in
// consecutive pieces of at most kMaxPiece characters, stopping at the first
// Write that returns false. The line's storage is borrowed to terminate each
// piece and restored before returning.
void WriteInPieces(IQuillLog1* log, const char* context, int number, int service_level, char* line,
                   std::size_t size);

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_LOG_LINE_H_
