#include "log/log_line.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/env.h"
#include "platform/local_time.h"

namespace vo_tools::log {
namespace {

// The start of every line a thread makes within one second:
// "pid=<hex> tid=<hex> > <timestamp> > ".
struct Stamp {
  unsigned long process_id = 0;
  unsigned long thread_id = 0;
  std::time_t second = -1;
  std::size_t size = 0;
  char text[256] = {};
};

thread_local Stamp t_stamp;

void Restamp(Stamp* stamp, unsigned long process_id, unsigned long thread_id, std::time_t now) {
  char timestamp[128] = {};
  std::tm local;
  if (platform::LocalTime(now, &local)) {
    std::strftime(timestamp, sizeof timestamp, "%B %d %H:%M:%S", &local);
  }
  const int size = std::snprintf(stamp->text, sizeof stamp->text, "pid=%lx tid=%lx > %s > ",
                                 process_id, thread_id, timestamp);
  stamp->size = size < 0 ? 0 : std::min(static_cast<std::size_t>(size), sizeof stamp->text - 1);
  stamp->process_id = process_id;
  stamp->thread_id = thread_id;
  stamp->second = now;
}

const Stamp& CurrentStamp() {
  const std::time_t now = std::time(nullptr);
  const unsigned long process_id = platform::CurrentProcessId();
  const unsigned long thread_id = platform::CurrentThreadId();
  Stamp& stamp = t_stamp;
  if (now != stamp.second || process_id != stamp.process_id || thread_id != stamp.thread_id) {
    Restamp(&stamp, process_id, thread_id, now);
  }
  return stamp;
}

}  // namespace

int ServiceLevel(VO_LOG_LEVEL level) {
  switch (static_cast<int>(level)) {
    case 1:
      return 1;
    case 3:
      return 3;
    case 4:
      return 0;
    default:
      return 2;
  }
}

void MakeLine(const char* message, std::string* line) {
  const Stamp& stamp = CurrentStamp();
  const std::size_t message_size = std::strlen(message);
  line->resize(stamp.size + message_size + 1);
  char* out = line->data();
  std::memcpy(out, stamp.text, stamp.size);
  std::memcpy(out + stamp.size, message, message_size);
  out[stamp.size + message_size] = '\n';
}

void WriteInChunks(IQuillLog1* log, const char* context, int number, int service_level, char* line,
                   std::size_t size) {
  bool ok = true;
  while (size > 0 && ok) {
    if (size <= kMaxChunk) {
      ok = log->Write(context, number, service_level, line);
      size = 0;
    } else {
      const char kept = line[kMaxChunk];
      line[kMaxChunk] = '\0';
      ok = log->Write(context, number, service_level, line);
      line[kMaxChunk] = kept;
      line += kMaxChunk;
      size -= kMaxChunk;
    }
  }
}

}  // namespace vo_tools::log
