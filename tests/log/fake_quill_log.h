// A stand-in log service for white-box tests: this file's definition of
// IQuillLog1::CreateInstance replaces the file-backed one (the test links
// vo_tools2_internal without quill_log), and every call the library makes
// is recorded in FakeQuillLog() for the test to look at.
#ifndef VO_TOOLS_TESTS_LOG_FAKE_QUILL_LOG_H_
#define VO_TOOLS_TESTS_LOG_FAKE_QUILL_LOG_H_

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "quill/quill_log.h"

namespace vo_tools_test {

struct CreateCall {
  std::string path;
  unsigned long max_size_kib;
  unsigned long backups;
  const IQuillLogFormatter2* formatter;
  bool creation_text_null;
  std::string creation_text;
  int sharing_mode;
};

struct ConfigureCall {
  int service_level;
  int reserved;
  int flush_seconds;
};

struct WriteCall {
  std::string context;
  int number;
  int service_level;
  std::string piece;
};

struct FakeQuillLogRecord {
  std::mutex mutex;
  std::vector<CreateCall> creates;
  std::vector<ConfigureCall> configures;
  std::vector<WriteCall> writes;
  // Results of the next Write calls, in order; true once it is empty.
  std::deque<bool> write_results;
  // The next CreateInstance throws instead (once).
  bool throw_on_create = false;
  int live_objects = 0;
};

FakeQuillLogRecord& FakeQuillLog();

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_LOG_FAKE_QUILL_LOG_H_
