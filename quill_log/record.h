// The main log's records: what the log service keeps of each line, before
// the line the library hands it, and of each set-up. The format is
// documented once, in include/quill/quill_log.h.
//
// A thread keeps only its last date and time text, plain data that its end
// does not destroy. Any thread may call; nothing fails.
#ifndef QUILL_RECORD_H_
#define QUILL_RECORD_H_

#include <cstddef>
#include <string>

namespace quill_log {

// "YYYY-MM-DD HH:MM:SS.mmm LEVEL context#number | ", with the local time of
// the call, made on the caller's stack.
class RecordHead {
 public:
  RecordHead(int service_level, const char* context, int number);
  RecordHead(const RecordHead&) = delete;
  RecordHead& operator=(const RecordHead&) = delete;

  const char* data() const { return text_; }
  std::size_t size() const { return size_; }

 private:
  std::size_t size_ = 0;
  char text_[192];
};

// "YYYY-MM-DD HH:MM:SS.mmm SETUP | level LEVEL, creation text \"...\"\n".
std::string SetUpRecord(int service_level, const char* creation_text);

}  // namespace quill_log

#endif  // QUILL_RECORD_H_
