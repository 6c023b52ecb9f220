#include "log_line.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include "platform/env.h"
#include "platform/local_time.h"

namespace vo_tools::log {
namespace {

// "pid=<hex> tid=<hex> > <timestamp> > ", remade once a second, and at once
// in a forked child. Plain data: a thread's end runs no destructor for it,
// and zero means not made yet (no process has id 0).
struct ThreadStamp {
  unsigned long process_id;
  unsigned long thread_id;
  std::time_t second;
  std::size_t size;
  char text[128];
};

thread_local ThreadStamp t_stamp;

// strftime's %B would follow the process's locale, and put other languages
// and non-ASCII bytes into logs that are otherwise 7-bit.
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

void Restamp(ThreadStamp* stamp, unsigned long process_id, std::time_t now) {
  if (process_id != stamp->process_id) {
    stamp->process_id = process_id;
    stamp->thread_id = platform::CurrentThreadId();
  }
  char time_text[64] = "";
  std::tm local;
  if (platform::LocalTime(now, &local)) {
    std::snprintf(time_text, sizeof time_text, "%s %02d %02d:%02d:%02d",
                  kMonths[static_cast<unsigned>(local.tm_mon) % 12], local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec);
  }
  const int size = std::snprintf(stamp->text, sizeof stamp->text, "pid=%lx tid=%lx > %s > ",
                                 stamp->process_id, stamp->thread_id, time_text);
  stamp->size = size < 0 ? 0 : std::min(static_cast<std::size_t>(size), sizeof stamp->text - 1);
  stamp->second = now;
}

std::size_t MarkerSize(std::size_t message_size) {
  return static_cast<std::size_t>(std::snprintf(nullptr, 0, kCutMarker, message_size));
}

// The bytes of a message of `message_size` bytes that a line of at most
// `limit` bytes (line feed included) keeps, with room for the marker if cut.
std::size_t Kept(std::size_t message_size, std::size_t stamp_size, std::size_t limit) {
  const std::size_t room = limit - 1 - stamp_size;
  return message_size <= room ? message_size : room - MarkerSize(message_size);
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

Line::Line() : data_(stack_) {
  ThreadStamp& stamp = t_stamp;
  const std::time_t now = std::time(nullptr);
  // A forked child has a new process id, and its thread a new id too.
  const unsigned long process_id = platform::CurrentProcessId();
  if (now != stamp.second || process_id != stamp.process_id) Restamp(&stamp, process_id, now);
  std::memcpy(stack_, stamp.text, stamp.size);
  stamp_size_ = stamp.size;
}

void Line::Format(const char* format, va_list arguments) {
  va_list again;
  va_copy(again, arguments);
  // Most messages fit the stack at the first pass; a longer one is formatted
  // again into storage of its size, or of kMaxLine when it must be cut.
  const std::size_t room = capacity_ - stamp_size_ - 1;
  const int formatted = std::vsnprintf(data_ + stamp_size_, room, format, arguments);
  const std::size_t message_size = formatted < 0 ? 0 : static_cast<std::size_t>(formatted);
  std::size_t kept = message_size;
  if (message_size >= room) {
    kept = Reserve(message_size);
    std::vsnprintf(data_ + stamp_size_, kept + 1, format, again);
  }
  va_end(again);
  Finish(kept, message_size);
}

void Line::Set(const char* message) {
  const std::size_t message_size = std::strlen(message);
  const std::size_t kept = Reserve(message_size);
  std::memcpy(data_ + stamp_size_, message, kept);
  Finish(kept, message_size);
}

// Without memory for a long line, the line is cut to the stack's size: a
// failed allocation costs the end of one message, never the call.
std::size_t Line::Reserve(std::size_t message_size) {
  const std::size_t kept = Kept(message_size, stamp_size_, kMaxLine);
  const std::size_t marker = kept < message_size ? MarkerSize(message_size) : 0;
  const std::size_t needed = stamp_size_ + kept + marker + 2;  // line feed and zero
  if (needed <= capacity_) return kept;
  heap_.reset(new (std::nothrow) char[needed]);
  if (heap_ == nullptr) return Kept(message_size, stamp_size_, kStackSize - 1);
  std::memcpy(heap_.get(), stack_, stamp_size_);
  data_ = heap_.get();
  capacity_ = needed;
  return kept;
}

void Line::Finish(std::size_t kept, std::size_t message_size) {
  size_ = stamp_size_ + kept;
  if (kept < message_size) {
    size_ += static_cast<std::size_t>(
        std::snprintf(data_ + size_, capacity_ - size_, kCutMarker, message_size));
  }
  data_[size_++] = '\n';
  data_[size_] = '\0';
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
