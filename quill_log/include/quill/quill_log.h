// IQuillLog1: the log service the library writes its main log through.
//
// CreateInstance makes one log object for a file path and returns it in a
// shared holder; the object lives until the last holder lets go. Configure
// and Write may be called from many threads at once. Write appends each
// piece to the file verbatim (a "%" in it is plain text) as one write to the
// operating system, and a piece has left the process when Write returns. The
// file rotates into numbered backups (path.1 newest ... path.N oldest) once
// it reaches its size limit. Processes share the file as the library's
// log-file engine lets them (src/log_file/include/log_file/shared_log_file.h
// tells how: looks, following the path, rotation under a file lock, the
// line-start repair). Nothing is filtered by level.
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
  // `max_size_kib` KiB and keeping `backups` rotated files. The formatter,
  // the creation text and the sharing mode are accepted and not used: every
  // mode shares the file, and the file holds exactly the pieces written.
  static QUILL::CSmartPtr<IQuillLog1> CreateInstance(const char* path, unsigned long max_size_kib,
                                                     unsigned long backups,
                                                     const IQuillLogFormatter2* formatter,
                                                     const char* creation_text,
                                                     LogSharingModeEnum sharing_mode);

  virtual ~IQuillLog1();

  // Sets the level the caller logs at; always true.
  virtual bool Configure(int service_level, int reserved, int flush_seconds) = 0;

  // Appends the zero-terminated `piece`; the context, number and level are
  // the caller's bookkeeping and no arguments follow the piece. True when the
  // whole piece reached the file.
  virtual bool Write(const char* context, int number, int service_level, const char* piece,
                     ...) = 0;

 protected:
  IQuillLog1() = default;
  IQuillLog1(const IQuillLog1&) = default;
  IQuillLog1& operator=(const IQuillLog1&) = default;
};

#endif  // QUILL_QUILL_LOG_H_
