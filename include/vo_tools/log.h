// Diagnostic logging: stamped lines to a main log and, for flagged lines, to
// a brief log that rotates at 2 MiB into one ".BAK" copy.
//
// Each message becomes the line "pid=<hex> tid=<hex> > <Month dd HH:MM:SS> >
// <message>\n", the process and thread ids in hexadecimal. The main log is
// kept by the log service (by default "SysmetLog.txt" in the temporary
// directory, rotated at 5 MiB into five numbered backups); the brief log
// ("SysmetLogBrief.txt" beside it) gets a line of 39 hyphens per set-up and
// then every line logged with `also_brief` true. No line is filtered by its
// level.
//
// Set-up: Vo_PrintOut_Init sets logging up once per process; later calls
// change nothing. Without it, the first line logged sets up with the
// defaults. A relative directory is made absolute against the current
// directory; a null or empty directory, or one that cannot be resolved, means
// the temporary directory. A directory plus file name longer than the
// platform's path limit, or a name longer than the file system takes for one
// name (usually 255 characters), falls back to the default name in the
// temporary directory (and if even that is too long, neither log receives
// anything); so does a path whose derived names would not fit: the main
// log's backups ".1" to ".5", the brief log's ".BAK", and on Windows each
// backup with 26 characters more (the name a file gets while it is being
// removed). On Windows the names and directory given are in the ANSI code
// page; the library's own paths (the temporary directory, absolute paths)
// may hold any character a Windows folder name can.
// The library never creates a directory.
//
// When a line reaches the file: before the call returns, as one write to the
// operating system per file (per piece of 16383 characters in the main log),
// so a crash of the process loses nothing already logged; nothing is forced
// to the disk itself.
//
// What is kept: this list is the guarantee; how each is kept is told once,
// at the library's log-file engine that both logs are (docs/logging.md).
// - Several processes may share both files. The brief log and its backup
//   together always hold every line written after the oldest line they still
//   hold, and after the first rotation at least 2 MiB, however many processes
//   write them: a process rotates only under a lock on the file that the
//   others respect, and only a file that its path still names. A process
//   whose file another process rotated away appends to the backup until its
//   next look at the path, within 64 KiB of its own output or one second;
//   those few lines land at the end of the backup and leave with it at the
//   next rotation, the only lines that may go before older ones do.
// - No file outgrows its size: a file ends at most one line past it (the
//   brief log's 2 MiB, the main log's 5 MiB), however many threads of a
//   process write it; the lines that find it full wait for the thread that
//   rotates it. Other processes' lines are counted at each look. A log
//   file that is removed, or that its path no longer names (its directory
//   moved away, a directory put in its place), is noticed at the next look,
//   and the path is opened again; until that succeeds the lines go to the
//   old file while it is smaller than its size, and are kept there if its
//   path comes back; once it is full, or if it was removed, they are
//   dropped, so that nothing fills the disk out of sight. Only a regular
//   file rotates. The exception is below: a rotation that cannot be done.
// - No rotation loses history. A rotation moves each file one place along
//   and the oldest backup out, or, when a backup's place is free (no file,
//   or an empty one), only the files before it. On Windows a file that a
//   reader holds without sharing the right to delete (a plain fopen, many
//   tailers and scanners) cannot be renamed: it is copied to its next place
//   and emptied instead, while the appends of other processes wait out the
//   copy. A rotation that cannot be done at all (a directory the process
//   cannot write; on Windows a reader that shares neither that right nor
//   writing; a directory at a backup's name) stops where it is, keeps every
//   line, and is tried again at each look, and meanwhile the file grows:
//   the one case where a file outgrows its size. Each line still costs
//   one write.
// - No log call waits on another process for more than about 0.1 s: a
//   process that holds a log's file lock (another tool, or a process stopped
//   in the middle of a rotation) puts the rotation off to a later look,
//   never a line.
// - A file that could not be opened (a directory not there yet, no
//   descriptor to spare) is tried again on a line in a later second, at most
//   once a second; the brief log's separator comes with its first opening.
// - No line is glued to another. A write that a full disk cuts short (or
//   refuses) loses that line, or the rest of it, and the next line that gets
//   written starts on a line of its own; so does the first text after each
//   opening, reopening and look at a file that ends mid-line (after a
//   process crashed mid-write, say): the look writes a line feed first,
//   once this process's lines on their way have landed. Only a line
//   that another process cuts while this one appends between two of its
//   looks can be continued by this one's next line. Each set-up leaves one
//   separator, also when a full disk refused its first write.
// - No log write blocks the process on what its path names: a FIFO, socket
//   or device there is opened and written without waiting, so a FIFO with a
//   reader, /dev/null and /dev/stdout work as expected, and a write that
//   cannot proceed costs its line; the next look tries the path again.
// - A log file never takes the descriptors 0, 1 or 2 (POSIX), so that a
//   process started with them closed keeps its own output out of the logs.
// - In a directory that users other than the process's own can write to
//   (POSIX; the temporary directory, typically), a log follows no symbolic
//   link at its last step and uses an existing file only if the process's
//   effective user owns it and no other name links to it; otherwise it
//   writes nothing there, as for a file that cannot be opened, and tries
//   again later. This holds whatever the kernel's protected_symlinks and
//   protected_regular settings. Files the logs create are not writable by
//   other users.
// - A process that forks while other threads log can log in the child at
//   once; the child's lines carry its own process and thread ids.
//
// "A look": a process looks at a log's path again within 64 KiB of its own
// output to that log, or on its first line in a new second.
//
// A line is at most 65536 bytes, its line feed included: a longer message is
// cut, and the line then ends in " [cut: the message had <n> bytes]". One
// call's memory is bounded by that, not by its message.
//
// Ownership: the texts passed in are only read during the call. The library
// owns the log files and closes both when it is unloaded, so a host that
// loads and unloads it keeps nothing of it; the next load sets logging up
// afresh.
//
// Threads: any thread may call any function while the library is loaded, the
// first set-up included (one set-up runs; concurrent callers wait for it),
// also while another thread forks, and at any point of a thread's life, its
// thread-local destructors and pthread-key destructors included. Calls made
// while the process exits, or after the library's teardown, are harmless:
// the teardown waits for the calls under way to end, closes the logs, and
// later calls write nothing. Lines of different threads reach the brief log
// whole and one at a time; in the main log, only the pieces of lines longer
// than 16383 characters may interleave.
//
// Signals: logging is not async-signal-safe (it may allocate, and takes
// locks). Where a handler logs all the same, a call that interrupts another
// logging call on the same thread is dropped, whole: it neither waits for
// the lock its own thread holds nor touches the line being written.
//
// Failures: nothing is reported. An exception from the log service (or a
// failed allocation) passes to the caller; if it left set-up unfinished, the
// next call runs set-up again.
#ifndef VO_TOOLS_LOG_H_
#define VO_TOOLS_LOG_H_

#include "vo_tools/export.h"

// The level of a line. The library gives it meaning only through the level
// it passes to the log service: 1 -> 1, 3 -> 3, 4 -> 0, any other value -> 2.
enum VO_LOG_LEVEL : int {
  VO_LOG_TRACE = 0,
  VO_LOG_INFO = 1,
  VO_LOG_DEBUG = 2,
  VO_LOG_WARNING = 3,
  VO_LOG_ERROR = 4,
};

#if defined(__GNUC__) || defined(__clang__)
#define VO_TOOLS_PRINTF_FORMAT(format_index, first_argument) \
  __attribute__((format(printf, format_index, first_argument)))
#else
#define VO_TOOLS_PRINTF_FORMAT(format_index, first_argument)
#endif

// Sets logging up: the main log `main_file` and the brief log `brief_file`,
// both in `directory` (null or empty texts mean the defaults), handing
// `creation_text` and `level` to the log service, which records both in the
// main log; the level filters no line. Takes effect once per process, not per caller: the
// first plug-in to set up or to log chooses the files for every other one,
// and later calls change nothing.
VO_TOOLS_API void Vo_PrintOut_Init(const char* main_file, const char* brief_file,
                                   const char* directory, const char* creation_text,
                                   VO_LOG_LEVEL level);

// Logs the printf-style `format` with its arguments (a null format logs an
// empty message). `context` and `number` go to the log service with each
// piece of the line and appear in neither file.
VO_TOOLS_API void Vo_PrintOut(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                              const char* format, ...) VO_TOOLS_PRINTF_FORMAT(5, 6);

// Logs `message` as it is (a null message logs an empty one).
VO_TOOLS_API void Vo_PrintOut1(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                               const char* message);

#endif  // VO_TOOLS_LOG_H_
