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

namespace quill_log {
namespace {

using vo_tools::log_file::SharedLogFile;

class FileLog : public IQuillLog1 {
 public:
  FileLog(const std::string& path, std::uint64_t max_size_bytes, unsigned backups)
      : file_(path,
              SharedLogFile::Policy{vo_tools::platform::AppendFile::Mode::kBinary, max_size_bytes,
                                    vo_tools::log_file::NumberedBackups(path, backups)}) {}

  // Every piece is kept, whatever its level, and each is with the operating
  // system once Write returns: there is nothing to configure.
  bool Configure(int /*service_level*/, int /*reserved*/, int /*flush_seconds*/) override {
    return true;
  }

  // A piece that does not end a line is the start of a longer one: the
  // engine's looks leave the file's last line alone after it.
  bool Write(const char* /*context*/, int /*number*/, int /*service_level*/, const char* piece,
             ...) override {
    if (piece == nullptr) return false;
    return file_.Append(piece, std::strlen(piece)) == SharedLogFile::Appended::kWhole;
  }

 private:
  SharedLogFile file_;
};

}  // namespace
}  // namespace quill_log

QUILL::CSmartPtr<IQuillLog1> IQuillLog1::CreateInstance(const char* path,
                                                        unsigned long max_size_kib,
                                                        unsigned long backups,
                                                        const IQuillLogFormatter2* /*formatter*/,
                                                        const char* /*creation_text*/,
                                                        LogSharingModeEnum /*sharing_mode*/) {
  std::unique_ptr<IQuillLog1> log(new quill_log::FileLog(
      path != nullptr ? path : "", static_cast<std::uint64_t>(max_size_kib) * 1024,
      static_cast<unsigned>(backups)));
  QUILL::CSmartPtr<IQuillLog1> holder(log.get(), true);
  log.release();
  return holder;
}
