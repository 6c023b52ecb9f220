// A plug-in as a host loads it: it links the library, logs, and arms timers
// it never cancels, for the tests that load it, unload it, or exit with it.
#include <new>
#include <thread>

#include "vo_tools/log.h"
#include "vo_tools/wakeup.h"

#if defined(_WIN32)
#define LIFECYCLE_API extern "C" __declspec(dllexport)
#else
#define LIFECYCLE_API extern "C" __attribute__((visibility("default")))
#endif

namespace {

struct Ticker : KaWakable {
  void OnPeriodicTimer(KaRequestId) override { Vo_PrintOut1(VO_LOG_INFO, true, "tick", 0, "tick"); }
};

// Goes with the plug-in; the other is never destroyed, so only the library's
// own unload can stop its timer.
Ticker g_static_ticker;
alignas(Ticker) unsigned char g_lasting_ticker[sizeof(Ticker)];

void LogLines(int count) {
  for (int i = 0; i < count; ++i) Vo_PrintOut(VO_LOG_INFO, true, "plugin", i, "line %d", i);
}

}  // namespace

// Logs 20 flagged lines in `log_dir`, on a thread of its own or on the
// caller's, and arms two periodic timers of `interval` on the host; 1 when
// both were armed.
LIFECYCLE_API int Lifecycle_Run(const char* log_dir, int own_thread, void* host_context,
                                ext_in_config* config, unsigned long interval) {
  Vo_PrintOut_Init("main.txt", "brief.txt", log_dir, "plugin", VO_LOG_INFO);
  if (own_thread != 0) {
    std::thread(LogLines, 20).join();
  } else {
    LogLines(20);
  }
  CPlexWakeUpServer server(host_context, config, 0);
  auto* lasting = new (g_lasting_ticker) Ticker;
  return server.RequestPeriodicTimerWakeUp(&g_static_ticker, interval) != 0 &&
         server.RequestPeriodicTimerWakeUp(lasting, interval) != 0;
}

// Starts threads that log until the process ends.
LIFECYCLE_API void Lifecycle_LogForever(int threads) {
  for (int i = 0; i < threads; ++i)
    std::thread([] {
      for (;;) LogLines(1);
    }).detach();
}
