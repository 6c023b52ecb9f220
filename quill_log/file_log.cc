// The file-backed IQuillLog1 that CreateInstance makes: the shared log-file
// engine (log_file/shared_log_file.h) in binary mode, with numbered backups.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "log_file/log_path.h"
#include "log_file/shared_log_file.h"
#include "quill/quill_log.h"
#include "record.h"

namespace quill_log {
namespace {

using vo_tools::log_file::SharedLogFile;

// Whether this thread's last piece left its line unfinished: the next one
// then continues that line and takes no record head.
thread_local bool t_mid_line = false;

class FileLog : public IQuillLog1 {
 public:
  FileLog(const std::string& path, std::uint64_t max_size_bytes, unsigned backups,
          const char* creation_text)
      : file_(path,
              SharedLogFile::Policy{vo_tools::platform::AppendFile::Mode::kBinary, max_size_bytes,
                                    vo_tools::log_file::NumberedBackups(path, backups)}),
        creation_text_(creation_text != nullptr ? creation_text : "") {}

  // Nothing is filtered: the level is recorded, once per set-up.
  bool Configure(int service_level, int /*reserved*/, int /*flush_seconds*/) override {
    const std::string record = SetUpRecord(service_level, creation_text_.c_str());
    file_.Append(record.data(), record.size());
    return true;
  }

  // The record head goes before a piece that starts a line, in the same
  // write; a piece that does not end its line is the start of a longer one,
  // whose later pieces the engine's looks leave alone. After a piece that
  // failed the library drops the rest of its line.
  bool Write(const char* context, int number, int service_level, const char* piece, ...) override {
    if (piece == nullptr) return false;
    const std::size_t size = std::strlen(piece);
    if (size == 0) return true;
    const bool continued = t_mid_line;
    bool whole;
    if (continued) {
      whole = Append(piece, size);
    } else {
      const RecordHead head(service_level, context, number);
      whole = AppendAfter(head, piece, size);
    }
    t_mid_line = whole && piece[size - 1] != '\n';
    return whole;
  }

 private:
  bool Append(const char* text, std::size_t size) {
    return file_.Append(text, size) == SharedLogFile::Appended::kWhole;
  }

  // Most records fit the stack; a longer piece is joined on the heap.
  bool AppendAfter(const RecordHead& head, const char* piece, std::size_t size) {
    char stack[1024];
    if (head.size() + size <= sizeof stack) {
      std::memcpy(stack, head.data(), head.size());
      std::memcpy(stack + head.size(), piece, size);
      return Append(stack, head.size() + size);
    }
    std::string record(head.data(), head.size());
    record.append(piece, size);
    return Append(record.data(), record.size());
  }

  SharedLogFile file_;
  const std::string creation_text_;
};

}  // namespace
}  // namespace quill_log

QUILL::CSmartPtr<IQuillLog1> IQuillLog1::CreateInstance(const char* path,
                                                        unsigned long max_size_kib,
                                                        unsigned long backups,
                                                        const IQuillLogFormatter2* /*formatter*/,
                                                        const char* creation_text,
                                                        LogSharingModeEnum /*sharing_mode*/) {
  std::unique_ptr<IQuillLog1> log(new quill_log::FileLog(
      path != nullptr ? path : "", static_cast<std::uint64_t>(max_size_kib) * 1024,
      static_cast<unsigned>(backups), creation_text));
  QUILL::CSmartPtr<IQuillLog1> holder(log.get(), true);
  log.release();
  return holder;
}
