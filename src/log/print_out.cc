// The exported logging functions: set-up (explicit or on the first line),
// formatting, and emission of each line to the main and brief logs.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "brief_log.h"
#include "log_file/log_path.h"
#include "log_line.h"
#include "module/module_statics.h"
#include "platform/fork_handlers.h"
#include "vo_tools/log.h"

namespace vo_tools::log {

// Messages up to this size are formatted on the stack.
constexpr std::size_t kStackMessage = 512;

namespace {

constexpr unsigned long kMainLogLimitKib = 5120;
constexpr unsigned long kMainLogBackups = 5;
constexpr int kConfigureReserved = 0;
constexpr int kConfigureFlushSeconds = 120;

// Plain data, zero at load: set once set-up has run to its end, never
// cleared. The release store publishes the holder and the brief log to every
// thread whose acquire load sees it.
std::atomic<bool> g_setUp{false};
// Makes a second thread that logs its first line during set-up wait for it.
std::mutex g_setUpMutex;
// Made by the first set-up; it and its open file are never destroyed, so
// that nothing has to close the file at exit. Its lock, the module-wide log
// lock, is torn down at unload: logging after that is not supported.
BriefLog* g_briefLog = nullptr;

// Around a fork the forking thread holds both of logging's locks, so that no
// other thread holds one at that moment: the child, in which only the forking
// thread lives on, finds them free. Set-up takes the log lock while it holds
// the set-up lock, so they are taken in that order here too.
void LockBeforeFork() ACQUIRE(module::g_logLock) {
  g_setUpMutex.lock();
  module::g_logLock.Lock();
}

void UnlockAfterFork() RELEASE(module::g_logLock) {
  module::g_logLock.Unlock();
  g_setUpMutex.unlock();
}

// Registered as the library loads; they run only at a fork, once loading
// has made the log lock.
const bool g_forkHandlersRegistered = [] {
  platform::RunAroundFork(LockBeforeFork, UnlockAfterFork);
  return true;
}();

void SetUp(const char* main_file, const char* brief_file, const char* directory,
           const char* creation_text, VO_LOG_LEVEL level) {
  std::lock_guard<std::mutex> lock(g_setUpMutex);
  if (g_setUp.load(std::memory_order_relaxed)) return;
  // A path beyond the limit even in the temporary directory is passed on:
  // the service cannot open it, and its writes then report false.
  const std::string main_path =
      log_file::LogFilePath(directory, main_file, log_file::kDefaultMainName);
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

// Stamps `message` and writes the line to the main log in pieces and, when
// flagged, whole to the brief log.
void EmitLine(ThreadLogState* state, VO_LOG_LEVEL level, bool also_brief, const char* context,
              int number, const char* message) {
  MakeLine(message, state);
  IQuillLog1* const main_log = module::g_logService.get();
  if (main_log != nullptr) {
    WriteInPieces(main_log, context, number, ServiceLevel(level), state->line.data(),
                  state->line.size());
  }
  // Whether the brief log is open is asked under the log lock, inside Append.
  if (also_brief) g_briefLog->Append(state->line.c_str());
  TrimScratch(state);
}

}  // namespace
}  // namespace vo_tools::log

void Vo_PrintOut_Init(const char* main_file, const char* brief_file, const char* directory,
                      const char* creation_text, VO_LOG_LEVEL level) {
  if (vo_tools::log::g_setUp.load(std::memory_order_acquire)) return;
  vo_tools::log::SetUp(main_file, brief_file, directory, creation_text, level);
}

void Vo_PrintOut(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                 const char* format, ...) {
  vo_tools::log::SetUpWithDefaults();
  if (format == nullptr) format = "";
  // Most messages fit a buffer on the stack, so one formatting pass does; a
  // longer one takes a second pass into the thread's scratch storage.
  char buffer[vo_tools::log::kStackMessage];
  const char* text = buffer;
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int size = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  vo_tools::log::ThreadLogState& state = vo_tools::log::ThisThreadLogState();
  if (size < 0) {
    text = "";
  } else if (static_cast<std::size_t>(size) >= sizeof buffer) {
    state.message.resize(static_cast<std::size_t>(size));
    std::vsnprintf(state.message.data(), state.message.size() + 1, format, again);
    text = state.message.c_str();
  }
  va_end(again);
  vo_tools::log::EmitLine(&state, level, also_brief, context, number, text);
}

void Vo_PrintOut1(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                  const char* message) {
  vo_tools::log::SetUpWithDefaults();
  vo_tools::log::EmitLine(&vo_tools::log::ThisThreadLogState(), level, also_brief, context, number,
                          message != nullptr ? message : "");
}
