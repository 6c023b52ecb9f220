// FileLog: the file-backed IQuillLog1 that CreateInstance makes.
//
// Writes take no lock: each chunk is one append to a descriptor that stays
// valid for the object's life (a reopen swaps the file behind it). Now and
// then (after 64 KiB of this object's chunks, or in a new second of the
// clock) a writer looks at the file: when the path names another file (or
// none) it reopens the path, and when the file has reached its limit it rolls
// it. A file that could not be opened at all is tried again at such a look,
// at most once a second. A file that its path no longer names, while the
// path cannot be opened again, takes chunks only up to the size limit, and
// none once it was removed (Write returns false). After a write that failed
// or was cut short, and at each opening and look, the next chunk starts on a
// line of its own if the file ends mid-line (unless the last chunk was this
// object's own start of a longer line). Only a regular file rolls.
//
// Rolls are serialised within the process by letting one writer look at a
// time, and across processes by a lock on the file being rolled, so two
// processes never roll one file twice. A child forked while a writer of the
// parent was looking takes the looking over.
#ifndef QUILL_FILE_LOG_H_
#define QUILL_FILE_LOG_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/append_file.h"
#include "quill/quill_log.h"

namespace quill_log {

class FileLog : public IQuillLog1 {
 public:
  // How much of its own output may pass before a writer looks whether the
  // file must roll or was rolled away (vo_tools::platform::LookIsDue).
  static constexpr std::uint64_t kCheckEveryBytes = vo_tools::platform::kLookEveryBytes;

  FileLog(std::string path, std::uint64_t max_size_bytes, unsigned backups);
  ~FileLog() override;

  bool Configure(int service_level, int reserved, int flush_seconds) override;
  bool Write(const char* context, int number, int service_level, const char* chunk, ...) override;

 private:
  bool CheckIsDue(std::size_t size);
  bool TryBeginCheck();
  void EndCheck();
  void CheckFile();
  void OpenFile();
  void Roll(vo_tools::platform::AppendFile* file);
  void FollowPath(vo_tools::platform::AppendFile* file);
  bool AppendOnItsOwnLine(vo_tools::platform::AppendFile* file, const char* chunk,
                          std::size_t size);
  void NoteLineEnd(bool ends_line);

  const std::string path_;
  const std::uint64_t max_size_bytes_;
  const unsigned backups_;
  // Set once, by the first opening that succeeds, and then never changed:
  // writers read `file_` without a lock.
  std::unique_ptr<vo_tools::platform::AppendFile> owned_file_;
  std::atomic<vo_tools::platform::AppendFile*> file_{nullptr};

  std::int64_t open_tried_second_ = -1;  // time() of the last attempt; by the looking writer

  std::atomic<std::uint64_t> written_since_check_{0};
  std::atomic<std::int64_t> checked_second_{-1};  // time() of the last look
  // The process id of the process whose writer is looking, or 0.
  std::atomic<unsigned long> checking_{0};
  // The file may end mid-line: set after a write that failed or was cut
  // short, at each opening and at each look; the next chunk then asks for
  // the last byte.
  std::atomic<bool> may_end_mid_line_{false};
  // Whether this object's last chunk ended with a line feed: a file that
  // ends mid-line at a look after one that did not is continuing this
  // object's own long line.
  std::atomic<bool> last_chunk_ended_line_{true};
  // The path no longer names the open file and could not be opened again at
  // the last look: the old file takes chunks only while `detached_room_`
  // (the bytes left below the limit; none once it was removed) lasts, until
  // a later look opens the path.
  std::atomic<bool> detached_{false};
  std::atomic<std::int64_t> detached_room_{0};
};

}  // namespace quill_log

#endif  // QUILL_FILE_LOG_H_
