// The demo's plug-ins: wakables that the host's timer thread calls back.
//
//   Sampler    periodic; logs one sample per tick to the main log.
//   Heartbeat  periodic; at every tick finds the watchdog by its handle and
//              re-arms its one-shot, and after its last beat cancels its own
//              request from inside its callback.
//   Watchdog   one-shot; fires only once the heartbeat has stopped long
//              enough, and says so in the brief log.
//   Poller     one-shot that re-arms itself from its callback, each wait
//              longer than the last.
//
// Callbacks run on the host's timer thread under the library's registry
// lock; the counters they keep are atomic, so the main thread may read them
// at any time. The main thread owns the plug-ins and cancels every request
// before they are destroyed.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_PLUGINS_H_
#define VO_TOOLS_TOOLS_VO_DEMO_PLUGINS_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include <vo_tools/wakeup.h>

#include "demo_log.h"
#include "plugin_directory.h"
#include "timeline.h"

namespace vo_demo {

class Plugin : public KaWakable {
 public:
  Plugin(const char* name, Timeline* timeline, DemoLog* log)
      : name_(name), timeline_(timeline), log_(log) {}
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  const char* name() const { return name_; }
  // The identifier the server returns for this plug-in's requests.
  KaRequestId id() const {
    return static_cast<KaRequestId>(
        reinterpret_cast<std::uintptr_t>(static_cast<const KaWakable*>(this)));
  }
  unsigned long handle() const { return handle_; }
  void set_handle(unsigned long handle) { handle_ = handle; }

  int wakeups() const { return wakeups_.load(); }
  // Time of the latest callback, on the timeline.
  long long last_wakeup_ms() const { return last_wakeup_ms_.load(); }
  // False once a callback received another plug-in's identifier.
  bool ids_matched() const { return !wrong_id_.load(); }

 protected:
  // Starts every callback: checks its identifier and returns its number
  // (1, 2, ...).
  int Woken(KaRequestId id);
  // Ends every callback, once its work is done and before it is noted, so
  // that a main thread waiting on the count sees the work finished.
  void Count() { ++wakeups_; }
  void Note(const std::string& what) { timeline_->Note(name_, what); }
  DemoLog& log() { return *log_; }

 private:
  const char* const name_;
  Timeline* const timeline_;
  DemoLog* const log_;
  unsigned long handle_ = 0;
  std::atomic<int> wakeups_{0};
  std::atomic<long long> last_wakeup_ms_{-1};
  std::atomic<bool> wrong_id_{false};
};

class Sampler : public Plugin {
 public:
  Sampler(Timeline* timeline, DemoLog* log) : Plugin("sampler", timeline, log) {}
  void OnPeriodicTimer(KaRequestId id) override;
};

class Heartbeat : public Plugin {
 public:
  Heartbeat(int beats, unsigned long watchdog_ms, KaWakeUpServer* server,
            const PluginDirectory* directory, Timeline* timeline, DemoLog* log)
      : Plugin("heartbeat", timeline, log),
        beats_(beats),
        watchdog_ms_(watchdog_ms),
        server_(server),
        directory_(directory) {}

  // The handle of the plug-in to re-arm; set before the heartbeat starts.
  void Watch(unsigned long watchdog_handle) { watchdog_handle_ = watchdog_handle; }
  void OnPeriodicTimer(KaRequestId id) override;

  // Ticks at which the watchdog was found by its handle and re-armed.
  int rearmed() const { return rearmed_.load(); }

 private:
  const int beats_;
  const unsigned long watchdog_ms_;
  KaWakeUpServer* const server_;
  const PluginDirectory* const directory_;
  unsigned long watchdog_handle_ = 0;
  std::atomic<int> rearmed_{0};
};

class Watchdog : public Plugin {
 public:
  Watchdog(unsigned long timeout_ms, Timeline* timeline, DemoLog* log)
      : Plugin("watchdog", timeline, log), timeout_ms_(timeout_ms) {}
  void OnSingleTimer(KaRequestId id) override;

 private:
  const unsigned long timeout_ms_;
};

class Poller : public Plugin {
 public:
  // Waits waits_ms[0] (armed by the caller), then re-arms itself for each
  // further wait in turn.
  Poller(std::vector<unsigned long> waits_ms, KaWakeUpServer* server, Timeline* timeline,
         DemoLog* log)
      : Plugin("poller", timeline, log), waits_ms_(std::move(waits_ms)), server_(server) {}
  void OnSingleTimer(KaRequestId id) override;

  int polls() const { return static_cast<int>(waits_ms_.size()); }
  unsigned long first_wait_ms() const { return waits_ms_.front(); }
  // Wake-ups after which re-arming itself succeeded.
  int rearmed() const { return rearmed_.load(); }

 private:
  const std::vector<unsigned long> waits_ms_;
  KaWakeUpServer* const server_;
  std::atomic<int> rearmed_{0};
};

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_PLUGINS_H_
