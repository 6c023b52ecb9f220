// IQuillLog1: the log service the library writes its main log through.
//
// CreateInstance makes one log object for a file path and returns it in a
// shared holder; the object lives until the last holder lets go. Configure
// and Write may be called from many threads at once. Write appends each chunk
// to the file verbatim (a "%" in it is plain text) as one write to the
// operating system, so chunks of threads and processes sharing the file never
// tear, and a chunk has left the process when Write returns. The file rolls
// into numbered backups (path.1 newest ... path.N oldest) once it reaches its
// size limit; a process whose file another process rolled away (or removed)
// notices on its first write in a new second of the clock, or after 64 KiB
// of its own writes, and reopens the path; its chunks meanwhile land in the
// old file, up to its size limit. A path that cannot be opened is tried
// again on a write in a later second. After a write that failed or was cut
// short, and at each opening and look at a file that ends mid-line, the next
// chunk starts on a line of its own (the one change to a chunk). Nothing is
// filtered by level.
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

  // A log object appending to `path`, rolling when the file reaches
  // `max_size_kib` KiB and keeping `backups` rolled files. The formatter,
  // the creation text and the sharing mode are accepted and not used: every
  // mode shares the file, and the file holds exactly the chunks written.
  static QUILL::CSmartPtr<IQuillLog1> CreateInstance(const char* path, unsigned long max_size_kib,
                                                     unsigned long backups,
                                                     const IQuillLogFormatter2* formatter,
                                                     const char* creation_text,
                                                     LogSharingModeEnum sharing_mode);

  virtual ~IQuillLog1();

  // Sets the level the caller logs at; always true.
  virtual bool Configure(int service_level, int reserved, int flush_seconds) = 0;

  // Appends the zero-terminated `chunk`; the context, number and level are
  // the caller's bookkeeping and no arguments follow the chunk. True when the
  // whole chunk reached the file.
  virtual bool Write(const char* context, int number, int service_level, const char* chunk,
                     ...) = 0;

 protected:
  IQuillLog1() = default;
  IQuillLog1(const IQuillLog1&) = default;
  IQuillLog1& operator=(const IQuillLog1&) = default;
};

#endif  // QUILL_QUILL_LOG_H_
