// IQuillLog1: the log service the library writes its main log through.
//
// CreateInstance makes one log object for a file path and returns it in a
// shared holder; the object lives until the last holder lets go. Configure
// and Write may be called from many threads at once. The file rotates into
// numbered backups (path.1 newest ... path.N oldest) once it reaches its
// size limit. Processes share the file as the library's log-file engine lets
// them (src/log_file/include/log_file/shared_log_file.h tells how: looks,
// following the path, rotation under a file lock, the line-start repair).
// Nothing is filtered by level.
//
// The file holds one record per line, each one write to the operating
// system (a record has left the process when Write returns):
//
//   2026-12-10 21:05:09.123 WARNING poller#7 | pid=1a4 tid=9c0 > December 10 21:05:09 > text
//
// that is, the service's own local time to the millisecond, the level's name
// (ERROR, INFO, WARNING for the levels 0, 1 and 3; OTHER for 2), the context
// text and number Write was given, " | ", and the line exactly as written (a
// "%" in it is plain text). A line written in several pieces takes one head:
// a piece that continues its thread's unfinished line is appended as it is.
// The context is cut to 64 bytes, "-" when null, and a control character in
// it is written as '?', so that a record is always one line. Each set-up
// (Configure) leaves one record of its own:
//
//   2026-12-10 21:05:09.120 SETUP | level INFO, creation text "proxy"
//
// with the creation text given to CreateInstance cut and cleaned alike (256
// bytes).
//
// Failures: CreateInstance throws std::bad_alloc when memory runs out; while
// the path cannot be opened, Write returns false.
#ifndef QUILL_QUILL_LOG_H_
#define QUILL_QUILL_LOG_H_

#include "quill/smart_ptr.h"

class IQuillLogFormatter2;

class IQuillLog1 {
 public:
  enum LogSharingModeEnum { kNotShared = 0, kShared = 1 };

  // A log object appending to `path` (in the library's path encoding:
  // UTF-8 on Windows, see platform/env.h), rotating when the file reaches
  // `max_size_kib` KiB and keeping `backups` rotated files. The creation
  // text goes into the set-up record; the formatter and the sharing mode are
  // accepted and not used: every mode shares the file.
  static QUILL::CSmartPtr<IQuillLog1> CreateInstance(const char* path, unsigned long max_size_kib,
                                                     unsigned long backups,
                                                     const IQuillLogFormatter2* formatter,
                                                     const char* creation_text,
                                                     LogSharingModeEnum sharing_mode);

  virtual ~IQuillLog1();

  // Records a set-up, with the level the caller logs at (which filters
  // nothing); always true.
  virtual bool Configure(int service_level, int reserved, int flush_seconds) = 0;

  // Appends the zero-terminated `piece`, after a record head of its level,
  // context and number when it starts a line; no arguments follow the
  // piece. True when the whole piece reached the file.
  virtual bool Write(const char* context, int number, int service_level, const char* piece,
                     ...) = 0;

 protected:
  IQuillLog1() = default;
  IQuillLog1(const IQuillLog1&) = default;
  IQuillLog1& operator=(const IQuillLog1&) = default;
};

#endif  // QUILL_QUILL_LOG_H_
