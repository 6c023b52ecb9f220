// The exported logging functions: set-up (explicit or on the first line),
// formatting, and emission of each line to the main and brief logs.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "log/brief_log.h"
#include "log/log_line.h"
#include "log/log_path.h"
#include "module/module_statics.h"
#include "vo_tools/log.h"

namespace vo_tools::log {
namespace {

constexpr const char* kDefaultMainName = "SysmetLog.txt";
constexpr unsigned long kMainLogLimitKib = 5120;
constexpr unsigned long kMainLogBackups = 5;
constexpr unsigned long kConfigureReserved = 0;
constexpr unsigned long kConfigureFlushSeconds = 120;

// Plain data, zero at load: set once set-up has run to its end, never
// cleared. The release store publishes the holder and the brief log to every
// thread whose acquire load sees it.
std::atomic<bool> g_setUp{false};
// Makes a second thread that logs its first line during set-up wait for it.
std::mutex g_setUpMutex;
// Made by the first set-up; lives, with its open stream, until the process
// ends, so that no line logged late in the process's exit is lost.
BriefLog* g_briefLog = nullptr;

// Scratch storage reused by each thread's lines; a very long line's storage
// is let go afterwards.
constexpr std::size_t kKeptScratch = 64 * 1024;
thread_local std::string t_message;
thread_local std::string t_line;

void TrimScratch(std::string* scratch) {
  if (scratch->capacity() > kKeptScratch) std::string().swap(*scratch);
}

void SetUp(const char* main_file, const char* brief_file, const char* directory,
           const char* creation_text, VO_LOG_LEVEL level) {
  std::lock_guard<std::mutex> lock(g_setUpMutex);
  if (g_setUp.load(std::memory_order_relaxed)) return;
  // A path beyond the limit even in the temporary directory is passed on:
  // the service cannot open it, and its writes then report false.
  const std::string main_path = LogFilePath(directory, main_file, kDefaultMainName);
  module::g_logService =
      IQuillLog1::CreateInstance(main_path.c_str(), kMainLogLimitKib, kMainLogBackups, nullptr,
                                 creation_text, IQuillLog1::kShared);
  if (module::g_logService.get() != nullptr) {
    module::g_logService->Configure(ServiceLevel(level), kConfigureReserved,
                                    kConfigureFlushSeconds);
  }
  if (g_briefLog == nullptr) g_briefLog = new BriefLog(&module::g_logLock);
  g_briefLog->Open(brief_file, directory);
  g_setUp.store(true, std::memory_order_release);
}

void SetUpWithDefaults() {
  if (!g_setUp.load(std::memory_order_acquire)) SetUp("", "", "", "", VO_LOG_INFO);
}

}  // namespace
}  // namespace vo_tools::log

using vo_tools::log::t_line;
using vo_tools::log::t_message;

void Vo_PrintOut_Init(const char* main_file, const char* brief_file, const char* directory,
                      const char* creation_text, VO_LOG_LEVEL level) {
  if (vo_tools::log::g_setUp.load(std::memory_order_acquire)) return;
  vo_tools::log::SetUp(main_file, brief_file, directory, creation_text, level);
}

void Vo_PrintOut(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                 const char* format, ...) {
  vo_tools::log::SetUpWithDefaults();
  if (format == nullptr) format = "";
  // Most messages fit the scratch storage the thread already has, so one
  // formatting pass does; a longer one takes a second pass at its size.
  std::string& message = t_message;
  if (message.capacity() < 256) message.reserve(256);
  message.resize(message.capacity());
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int size = std::vsnprintf(message.data(), message.size() + 1, format, arguments);
  va_end(arguments);
  if (size < 0) {
    message.clear();
  } else if (static_cast<std::size_t>(size) > message.size()) {
    message.resize(static_cast<std::size_t>(size));
    std::vsnprintf(message.data(), message.size() + 1, format, again);
  } else {
    message.resize(static_cast<std::size_t>(size));
  }
  va_end(again);
  Vo_PrintOut1(level, also_brief, context, number, message.c_str());
  vo_tools::log::TrimScratch(&message);
}

void Vo_PrintOut1(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                  const char* message) {
  vo_tools::log::SetUpWithDefaults();
  std::string& line = t_line;
  vo_tools::log::MakeLine(message != nullptr ? message : "", &line);
  IQuillLog1* const main_log = vo_tools::module::g_logService.get();
  if (main_log != nullptr) {
    vo_tools::log::WriteInChunks(main_log, context, number, vo_tools::log::ServiceLevel(level),
                                 line.data(), line.size());
  }
  // Whether the brief log is open is asked under the log lock, inside Append.
  if (also_brief) vo_tools::log::g_briefLog->Append(line.c_str());
  vo_tools::log::TrimScratch(&line);
}
