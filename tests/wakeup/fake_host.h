// A host timer service in the library's place that never runs a clock: it
// records every start_timer and stop_timer call, refuses timers on demand,
// and fires a timer only when a test calls Tick. Single-threaded use only;
// the lock probe's thread touches nothing of it.
#ifndef VO_TOOLS_TESTS_WAKEUP_FAKE_HOST_H_
#define VO_TOOLS_TESTS_WAKEUP_FAKE_HOST_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vo_tools/ext_in_config.h"

namespace vo_tools_test {

class FakeHost {
 public:
  struct StartCall {
    void* context;
    ext_timer_callback callback;
    void* cookie;
    unsigned long interval;
    std::uint32_t id;  // what start_timer returned (0 when refused)
  };
  struct StopCall {
    void* context;
    std::uint32_t id;
    bool registry_lock_free;   // only meaningful when probing
    std::string probe_report;  // what the probe saw when the lock was not free
  };

  FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  ext_in_config* config() { return &config_; }
  void* context() { return this; }

  // While set, start_timer returns 0.
  void set_refusing(bool refusing) { refusing_ = refusing; }
  // While set, every stop_timer call checks from another thread whether the
  // wake-up registry's lock can be taken (RegistryLockIsFree), and records
  // the answer.
  void set_probing_lock(bool probing) { probing_lock_ = probing; }
  // Runs inside stop_timer, after it is recorded.
  void set_on_stop(std::function<void(std::uint32_t)> hook) { on_stop_ = std::move(hook); }

  const std::vector<StartCall>& starts() const { return starts_; }
  const std::vector<StopCall>& stops() const { return stops_; }
  // The identifier of the most recent start_timer call.
  std::uint32_t last_id() const { return starts_.empty() ? 0 : starts_.back().id; }
  int StopCount(std::uint32_t id) const;
  // Timers started and not yet stopped.
  int running() const;

  // Adds a test failure unless every timer started was stopped, none more
  // than once, and none while the registry lock was held.
  void ExpectEveryTimerStoppedOnceOutsideTheLock() const;

  // Fires a started timer as the host would (even a stopped one, as a tick
  // already taken off the host's queue may be); returns the callback's result.
  int Tick(std::uint32_t id);

 private:
  static std::uint32_t StartTimer(void* context, ext_timer_callback callback, void* cookie,
                                  unsigned long interval);
  static int StopTimer(void* context, std::uint32_t id);

  ext_in_config config_{};
  std::vector<StartCall> starts_;
  std::vector<StopCall> stops_;
  std::uint32_t next_id_ = 100;
  bool refusing_ = false;
  bool probing_lock_ = false;
  std::function<void(std::uint32_t)> on_stop_;
};

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_WAKEUP_FAKE_HOST_H_
