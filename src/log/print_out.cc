// The exported logging functions: set-up (explicit or on the first line),
// formatting, emission of each line to the main and brief logs, and the
// closing of both logs when the library is torn down.
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <mutex>
#include <string>

#include "brief_log.h"
#include "call_gate.h"
#include "log_file/log_path.h"
#include "log_line.h"
#include "module/module_statics.h"
#include "platform/fork_handlers.h"
#include "platform/local_time.h"
#include "platform/teardown.h"
#include "vo_tools/log.h"

namespace vo_tools::log {
namespace {

constexpr unsigned long kMainLogLimitKib = 5120;
constexpr int kConfigureReserved = 0;
constexpr int kConfigureFlushSeconds = 120;

// How long the teardown waits for logging calls of other threads to end
// before it leaves the logs open rather than pull them from under a call.
constexpr std::chrono::milliseconds kTeardownWait{2000};

// Plain data, all of it, so that it outlives the library's static objects
// and a call at any time finds the gate.
CallGate g_gate;
// Set once set-up has run to its end; cleared only when the logs close. The
// release store publishes the holder and the brief log to every thread whose
// acquire load sees it.
std::atomic<bool> g_setUp{false};
// Makes a second thread that logs its first line during set-up wait for it.
std::mutex g_setUpMutex;
// Made by the first set-up, closed by the library's teardown.
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
  // Set-up converts times (the log service stamps its set-up record) while
  // it holds the set-up lock: at a fork, that lock goes first.
  platform::HoldLocalTimeAcrossForks();
  platform::RunAroundFork(LockBeforeFork, UnlockAfterFork);
  platform::RunInForkedChild([] { g_gate.ForgetOtherThreads(); });
  return true;
}();

// Unloading the library closes both logs, so that a host that loads and
// unloads it keeps no descriptor per load; so does a process exit, once the
// calls of threads that still log have ended. Where the other threads are
// gone (Windows, at exit), one may have died holding the log lock: the
// system reclaims everything instead.
void CloseLogs() {
  if (platform::CurrentTeardown() == platform::Teardown::kProcessExitThreadsGone) return;
  if (!g_gate.Close(kTeardownWait)) {
    // A call still under way uses the log object: it outlives its holder.
    new module::LogServiceHolder(module::g_logService);
    return;
  }
  delete g_briefLog;
  g_briefLog = nullptr;
  module::g_logService = module::LogServiceHolder();
  g_setUp.store(false, std::memory_order_release);
}

// Made by the first set-up, after the module's static objects, so that it is
// torn down before the log lock and the log service's holder are.
struct LogsCloser {
  LogsCloser() = default;
  LogsCloser(const LogsCloser&) = delete;
  LogsCloser& operator=(const LogsCloser&) = delete;
  ~LogsCloser() { CloseLogs(); }
};

void SetUp(const char* main_file, const char* brief_file, const char* directory,
           const char* creation_text, VO_LOG_LEVEL level) {
  std::lock_guard<std::mutex> lock(g_setUpMutex);
  if (g_setUp.load(std::memory_order_relaxed)) return;
  static LogsCloser closer;
  // A path beyond the limit even in the temporary directory is passed on:
  // the service cannot open it, and its writes then report false.
  const std::string main_path = log_file::LogFilePath(
      directory, main_file, log_file::kDefaultMainName, log_file::MainLogBackups);
  module::g_logService =
      IQuillLog1::CreateInstance(main_path.c_str(), kMainLogLimitKib, log_file::kMainLogBackups,
                                 nullptr, creation_text, IQuillLog1::kShared);
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

// Writes the line to the main log in pieces and, when flagged, whole to the
// brief log.
void Emit(Line* line, VO_LOG_LEVEL level, bool also_brief, const char* context, int number) {
  IQuillLog1* const main_log = module::g_logService.get();
  if (main_log != nullptr) {
    WriteInPieces(main_log, context, number, ServiceLevel(level), line->data(), line->size());
  }
  // Whether the brief log is open is asked under the log lock, inside Append.
  if (also_brief) g_briefLog->Append(line->data());
}

}  // namespace
}  // namespace vo_tools::log

using vo_tools::log::CallGate;

void Vo_PrintOut_Init(const char* main_file, const char* brief_file, const char* directory,
                      const char* creation_text, VO_LOG_LEVEL level) {
  const CallGate::Pass pass(&vo_tools::log::g_gate);
  if (!pass.admitted() || vo_tools::log::g_setUp.load(std::memory_order_acquire)) return;
  vo_tools::log::SetUp(main_file, brief_file, directory, creation_text, level);
}

void Vo_PrintOut(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                 const char* format, ...) {
  const CallGate::Pass pass(&vo_tools::log::g_gate);
  if (!pass.admitted()) return;
  vo_tools::log::SetUpWithDefaults();
  vo_tools::log::Line line;
  va_list arguments;
  va_start(arguments, format);
  line.Format(format != nullptr ? format : "", arguments);
  va_end(arguments);
  vo_tools::log::Emit(&line, level, also_brief, context, number);
}

void Vo_PrintOut1(VO_LOG_LEVEL level, bool also_brief, const char* context, int number,
                  const char* message) {
  const CallGate::Pass pass(&vo_tools::log::g_gate);
  if (!pass.admitted()) return;
  vo_tools::log::SetUpWithDefaults();
  vo_tools::log::Line line;
  line.Set(message != nullptr ? message : "");
  vo_tools::log::Emit(&line, level, also_brief, context, number);
}
