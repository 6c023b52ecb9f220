// Making a log line and handing it to the log service in chunks.
//
// A line lives in its Line object, on the caller's stack, with heap storage
// only for a line longer than the stack part: nothing outlives the call, so
// a thread may log at any point of its life (its thread-local objects'
// destructors and pthread-key destructors included), and a logging call
// never shares a buffer with another one, even one that interrupts it on
// the same thread. What a thread keeps between lines is its stamp, plain
// data that the thread's end does not destroy.
#ifndef VO_TOOLS_LOG_LOG_LINE_H_
#define VO_TOOLS_LOG_LOG_LINE_H_

#include <cstdarg>
#include <cstddef>
#include <memory>

#include "quill/quill_log.h"
#include "vo_tools/log.h"

namespace vo_tools::log {

// The log service's level for a line's level.
int ServiceLevel(VO_LOG_LEVEL level);

// The longest piece of a line handed to the log service in one Write.
constexpr std::size_t kMaxChunk = 16383;

// The longest line, its line feed included. The message of a longer one is
// cut to make room for kCutMarker, which ends the line with the length the
// message had, so that no single call can outgrow a log's size bounds or
// take memory in proportion to its message.
constexpr std::size_t kMaxLine = 64 * 1024;
constexpr const char* kCutMarker = " [cut: the message had %zu bytes]";

// "pid=<hex> tid=<hex> > <Month dd HH:MM:SS> > <message>\n", zero-terminated.
class Line {
 public:
  // Stamps the line with the calling process and thread and the local time;
  // the month's name is the C locale's, whatever the process's locale.
  Line();
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // Completes the line with the message formatted from `format` (printf
  // style) and `arguments`; an error in the format gives an empty message.
  void Format(const char* format, va_list arguments);
  // Completes the line with `message` as it is.
  void Set(const char* message);

  // Writable, so that WriteInChunks can end each piece in place.
  char* data() { return data_; }
  std::size_t size() const { return size_; }

 private:
  // Lines up to this size (zero included) are made on the stack.
  static constexpr std::size_t kStackSize = 1024;

  // Makes room for a message of `message_size` bytes after the stamp, cut to
  // kMaxLine; returns the bytes of the message the line takes.
  std::size_t Reserve(std::size_t message_size);
  // Ends the line after `taken` message bytes, with the marker when the
  // message had `message_size` bytes and was cut.
  void Finish(std::size_t taken, std::size_t message_size);

  char* data_;
  std::size_t stamp_size_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kStackSize;
  std::unique_ptr<char[]> heap_;
  char stack_[kStackSize];
};

// Hands `line` (of `size` characters, zero-terminated) to `log` in
// consecutive pieces of at most kMaxChunk characters, stopping at the first
// Write that returns false. The line's storage is borrowed to terminate each
// piece and restored before returning.
void WriteInChunks(IQuillLog1* log, const char* context, int number, int service_level, char* line,
                   std::size_t size);

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_LOG_LINE_H_
