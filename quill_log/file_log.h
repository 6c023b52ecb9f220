// FileLog: the file-backed IQuillLog1 that CreateInstance makes.
//
// Writes take no lock: each chunk is one append to a descriptor that stays
// valid for the object's life (a reopen swaps the file behind it). Now and
// then (after 64 KiB of this object's chunks, or in a new second of the
// clock) a writer looks at the file: when the path names another file it
// reopens the path, and when the file has reached its limit it rolls it.
// Rolls are serialised within the process by a mutex and across processes
// by a lock on the file being rolled, so two processes never roll one file
// twice.
#ifndef QUILL_FILE_LOG_H_
#define QUILL_FILE_LOG_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/append_file.h"
#include "quill/quill_log.h"

namespace quill_log {

class FileLog : public IQuillLog1 {
 public:
  // How much of its own output may pass before a writer looks whether the
  // file must roll or was rolled away; it also looks whenever the clock's
  // second has changed since the last look.
  static constexpr std::uint64_t kCheckEveryBytes = 64 * 1024;

  FileLog(std::string path, std::uint64_t max_size_bytes, unsigned backups);
  ~FileLog() override;

  bool Configure(int service_level, int reserved, int flush_seconds) override;
  bool Write(const char* context, int number, int service_level, const char* chunk, ...) override;

 private:
  bool CheckIsDue(std::size_t size);
  void CheckFile();
  void Roll();

  const std::string path_;
  const std::uint64_t max_size_bytes_;
  const unsigned backups_;
  const std::unique_ptr<vo_tools::platform::AppendFile> file_;  // null: path not openable

  std::atomic<std::uint64_t> written_since_check_{0};
  std::atomic<std::int64_t> checked_second_{-1};  // time() of the last look
  std::mutex check_mutex_;
};

}  // namespace quill_log

#endif  // QUILL_FILE_LOG_H_
