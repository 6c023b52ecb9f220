// SharedLogFile: one log file that threads and processes append to at once,
// looked at now and then, followed when its path names another file, and
// rotated into backups under a lock the processes share. Both logs are this
// engine under a policy of their own: the brief log (src/log/brief_log.h) in
// text mode with one ".BAK" backup at 2 MiB, the main log's stand-in service
// (quill_log) in binary mode with numbered backups at 5 MiB. How each
// guarantee of vo_tools/log.h is kept is told here, once.
//
// Append. Each text is one write at the end of the file (platform/
// append_file.h), so texts of threads and processes never tear, and a text
// has left the process when Append returns.
//
// The look. A writer looks at the file again once kLookEveryBytes of this
// object's output have passed since the last look, on its first text in a
// new second of LookClock() (a clock set back counts as a new second), and
// before the text that finds the file at its rotation size; a file that
// could not be opened is tried again at a look, at most once a second. A look
// asks whether the path still names the open file, and the file's size:
// between looks the size is this object's own count added to the last size
// learned, so for one process the rotation point is exact. On any other
// text the system is asked nothing but the write; a rotation that failed is
// tried again at the looks, never per text.
//
// Following the path. When the path names another file, or none (another
// process rotated the file away, it was removed, its directory moved, a
// directory was put in its place), the look opens the path again, creating
// the file when its directory is there. Until that succeeds the file is
// detached: the old file takes texts only while it is smaller than its
// rotation size, so that no file outgrows it, and none once no name leads
// to it (it was removed), since what it took could never be read; each look
// tries the path again. The texts a writer appends between another
// process's rotation and its own next look land at the end of the backup:
// the only texts that can leave before older ones.
//
// Rotation. The text that finds the file at or past its rotation size is the
// first of the new file: this object counts each text as it takes its place
// (before the write) and again once written, so a look knows the texts
// still on their way and a file takes its size and at most one text past
// it, however many threads append (a look that overtakes texts in flight
// counts them as written). The texts that find the file full wait, on their
// own threads, for the writer that rotates it; a rotation that cannot be
// done now is put off to the next look, and the file takes texts till then.
//
// The rotating writer takes the file lock, which every process holding the
// file takes too, waiting for it at most platform::kLockPatience (a process
// stopped with the lock held puts rotation off, never a text), and rotates
// only while the path still names its file and the system still finds the
// file full; whoever gets the lock second finds the path naming the new
// file and follows it, and rotates that one too only if it is full already.
// Each file's contents move one place along: the oldest backup leaves the
// log, unless a backup's place is free (no file, or an empty one), and then
// only the files before it move. A file moves by renaming, or, where another
// program holds it against renaming (a reader on Windows that does not
// share the right to delete), by a copy into its next place and emptying
// it, which the same reader allows, with the texts of this process held
// back until the copy is done. A move that cannot be made at all stops the
// rotation where it is: the live file keeps its texts, and the next look
// carries the rotation on from the free place the finished steps left, so
// that a rotation cut short drops nothing but the oldest backup it would
// have dropped anyway, once. Only a regular file rotates.
//
// The line-start repair. A write that failed or was cut short (a full disk,
// or a crash in another process) may leave part of a line. At each look, at
// once after such a write, and before the first text after an opening, the
// looking writer closes the room, waits (briefly) for this process's texts
// in flight to land, asks for the file's last byte and, when the file ends
// mid-line, writes a line feed. A look leaves alone a file whose last line
// is this object's own unfinished text (the main log's long lines come in
// pieces), and one whose texts in flight did not land: the next look asks
// again.
//
// Threads: Append may run on many threads at once and takes no lock; one
// writer looks at a time, and the others append meanwhile to the file as it
// is, except the texts that find it full, which wait for the look (texts
// already on their way when a rotation begins land in the old file, the
// newest backup, or in the new one). A child forked while a writer of its
// parent was looking takes the looking over. Failures cost texts, never the
// log, and are results: nothing throws except when memory runs out.
#ifndef VO_TOOLS_LOG_FILE_SHARED_LOG_FILE_H_
#define VO_TOOLS_LOG_FILE_SHARED_LOG_FILE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/append_file.h"

namespace vo_tools::log_file {

// How much of one object's output may pass between two looks.
inline constexpr std::uint64_t kLookEveryBytes = 64 * 1024;

// The clock, in seconds, that the looks go by: time().
std::int64_t LookClock();

// The test programs' build alone defines it: puts `clock` in time()'s place
// for LookClock (null: time() again). Set from one thread, before logging.
void SetLookClockForTesting(std::int64_t (*clock)());

class SharedLogFile {
 public:
  // What a log makes of the engine.
  struct Policy {
    platform::AppendFile::Mode mode;
    // The size at or past which the next text first rotates the file.
    std::uint64_t rotate_at;
    // The backups' paths, newest first; with none, a full file is removed.
    std::vector<std::string> backups;
  };

  enum class Appended { kNothing, kPart, kWhole };

  // Opens `path` at once; a path that cannot be opened now is tried again
  // at a look. A path whose backups (or the names the platform gives a file
  // it removes) would not fit the platform's limits is never opened.
  SharedLogFile(std::string path, Policy policy);
  ~SharedLogFile();
  SharedLogFile(const SharedLogFile&) = delete;
  SharedLogFile& operator=(const SharedLogFile&) = delete;

  // Appends `size` bytes of `text`, after a look when one is due: kWhole
  // when all of them reached the file, kPart when a full disk cut them
  // short, kNothing when no file took them.
  Appended Append(const char* text, std::size_t size);

 private:
  bool LookIsDue(std::int64_t now) const;
  bool Take(std::size_t size);
  void WaitForTheLook() const;
  void Look(std::int64_t now);
  bool BeginLook();
  void EndLook();
  void Open(std::int64_t now);
  void LearnSize(platform::AppendFile* file, std::uint64_t otherwise);
  bool IsFull() const;
  void Rotate(platform::AppendFile* file);
  bool MoveToBackups();
  bool MoveLiveFile(const std::string& to);
  bool FollowPath(platform::AppendFile* file);
  void ScheduleNextLook(bool rotation_tried);
  void EndLineLeftOpen(platform::AppendFile* file);
  bool TextsInFlightLanded() const;

  const std::string path_;
  const Policy policy_;
  // Whether every name the rotation derives fits the platform's limits; a
  // path whose names do not is never opened, as a path too long.
  const bool names_fit_;
  // Set by the first opening that succeeds and then never changed: writers
  // read `file_` without a lock (a reopening swaps the file behind it).
  std::unique_ptr<platform::AppendFile> owned_file_;
  std::atomic<platform::AppendFile*> file_{nullptr};
  // LookClock() at the last attempt to open; by the looking writer.
  std::int64_t open_tried_second_ = -1;

  // This object's bytes: `taken_` counts each text as it takes its place,
  // before its write, `done_` once it is written (or dropped); what lies
  // between is on its way. Both only grow.
  std::atomic<std::uint64_t> taken_{0};
  std::atomic<std::uint64_t> done_{0};
  // A text that starts (in `taken_`) below `room_end_` goes to the file; one
  // that starts at or past it waits for the look that rotates the file.
  std::atomic<std::uint64_t> room_end_{0};
  // The look schedule: a look is due once `taken_` reaches `look_at_`, or in
  // another second than `looked_second_`.
  std::atomic<std::uint64_t> look_at_{0};
  std::atomic<std::int64_t> looked_second_{-1};
  // By the looking writer: the size learned at the last look (or, while the
  // system cannot tell it, this object's own count), and `done_` just before
  // it was asked: the file's size now is that size plus what was taken since.
  std::uint64_t size_at_look_ = 0;
  std::uint64_t done_at_size_ = 0;
  bool size_known_ = true;
  // The process id of the process whose writer is looking, or 0.
  std::atomic<unsigned long> looker_{0};

  // The file may end mid-line: set after a write that failed or was cut
  // short, at each opening and look; the look (at once after a failed
  // write) then asks for its last byte.
  std::atomic<bool> may_end_mid_line_{false};
  // Whether this object's last text ended with a line feed.
  std::atomic<bool> last_text_ended_line_{true};
  // The path no longer names the open file and could not be opened again at
  // the last look: the old file takes texts only while `detached_room_`
  // (the bytes left below the rotation size; none once it was removed)
  // lasts.
  std::atomic<bool> detached_{false};
  std::atomic<std::int64_t> detached_room_{0};
};

}  // namespace vo_tools::log_file

#endif  // VO_TOOLS_LOG_FILE_SHARED_LOG_FILE_H_
