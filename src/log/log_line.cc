#include "log_line.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/env.h"
#include "platform/local_time.h"

namespace vo_tools::log {
namespace {

thread_local ThreadLogState t_state;

// Storage beyond this is let go after the line that needed it.
constexpr std::size_t kKeptScratch = 64 * 1024;

void Restamp(ThreadLogState* state, unsigned long process_id, std::time_t now) {
  if (process_id != state->process_id) {
    state->process_id = process_id;
    state->thread_id = platform::CurrentThreadId();
  }
  char timestamp[128] = {};
  std::tm local;
  if (platform::LocalTime(now, &local)) {
    std::strftime(timestamp, sizeof timestamp, "%B %d %H:%M:%S", &local);
  }
  const int size = std::snprintf(state->stamp, sizeof state->stamp, "pid=%lx tid=%lx > %s > ",
                                 state->process_id, state->thread_id, timestamp);
  state->stamp_size =
      size < 0 ? 0 : std::min(static_cast<std::size_t>(size), sizeof state->stamp - 1);
  state->stamp_second = now;
}

}  // namespace

int ServiceLevel(VO_LOG_LEVEL level) {
  switch (level) {
    case VO_LOG_INFO:
      return 1;
    case VO_LOG_WARNING:
      return 3;
    case VO_LOG_ERROR:
      return 0;
    default:  // VO_LOG_TRACE, VO_LOG_DEBUG and any value outside the enumeration
      return 2;
  }
}

ThreadLogState& ThisThreadLogState() {
  return t_state;
}

void MakeLine(const char* message, ThreadLogState* state) {
  const std::time_t now = std::time(nullptr);
  // A forked child has a new process id, and its thread a new id too.
  const unsigned long process_id = platform::CurrentProcessId();
  if (now != state->stamp_second || process_id != state->process_id)
    Restamp(state, process_id, now);
  const std::size_t message_size = std::strlen(message);
  std::string& line = state->line;
  line.resize(state->stamp_size + message_size + 1);
  char* out = line.data();
  std::memcpy(out, state->stamp, state->stamp_size);
  std::memcpy(out + state->stamp_size, message, message_size);
  out[state->stamp_size + message_size] = '\n';
}

void TrimScratch(ThreadLogState* state) {
  if (state->message.capacity() > kKeptScratch) std::string().swap(state->message);
  if (state->line.capacity() > kKeptScratch) std::string().swap(state->line);
}

void WriteInPieces(IQuillLog1* log, const char* context, int number, int service_level, char* line,
                   std::size_t size) {
  bool ok = true;
  while (size > 0 && ok) {
    if (size <= kMaxPiece) {
      ok = log->Write(context, number, service_level, line);
      size = 0;
    } else {
      const char kept = line[kMaxPiece];
      line[kMaxPiece] = '\0';
      ok = log->Write(context, number, service_level, line);
      line[kMaxPiece] = kept;
      line += kMaxPiece;
      size -= kMaxPiece;
    }
  }
}

}  // namespace vo_tools::log
