// vo_host::TimerService: a host program's timer service, offered through the
// start_timer and stop_timer entries of an ext_in_config record.
//
// One timer thread serves every timer of the service, on the monotonic clock.
// Intervals are in milliseconds; a timer repeats until it is stopped. Tick k
// of a timer started at t is due at t + k * interval, so periods do not
// drift; a tick is never delivered before it is due; ticks that fell due
// while the timer's own callback was running, or while the thread was behind,
// are skipped rather than delivered in a burst. Arming and stopping cost
// O(log n) in the number of timers.
//
// Ownership: the caller owns the service and must keep it alive while any
// record filled by it may be used. The service never owns cookies.
//
// Threads: StartTimer and StopTimer may be called from any thread, also from
// inside any timer callback, the stopped timer's own included. StopTimer never
// waits for a callback: once it returns, the timer's callback does not start
// again, though a call already under way (or just taken off the queue)
// completes. Callbacks run one at a time on the timer thread, with no lock of
// the service held. Shutdown and the destructor must not be called from a
// timer callback.
//
// Results: StartTimer returns a non-zero identifier, or 0 when it started
// nothing (null callback, zero interval, service shut down, or every
// identifier in use). An identifier is not handed out again while a timer
// that had it may still fire. Intervals above kMaxIntervalMs are clamped to
// it. StopTimer ignores identifiers it does not know. Nothing throws except
// std::bad_alloc when memory runs out while arming.
#ifndef VO_TOOLS_HOST_TIMER_SERVICE_H_
#define VO_TOOLS_HOST_TIMER_SERVICE_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "vo_tools/ext_in_config.h"

namespace vo_host {

class TimerService {
 public:
  // About 24.8 days: the longest interval a timer keeps.
  static constexpr unsigned long kMaxIntervalMs = 0x7FFFFFFF;

  // Starts the timer thread.
  TimerService();
  // Shuts down.
  ~TimerService();

  TimerService(const TimerService&) = delete;
  TimerService& operator=(const TimerService&) = delete;

  // Points the record's start_timer and stop_timer at this service; the host
  // context to hand out with the record is host_context(). Other entries are
  // left as they are.
  void FillConfig(ext_in_config* config);
  void* host_context() { return this; }

  std::uint32_t StartTimer(ext_timer_callback callback, void* cookie, unsigned long interval_ms);
  void StopTimer(std::uint32_t id);

  // Stops every timer and joins the timer thread; a callback under way
  // finishes first. Later StartTimer calls return 0. Idempotent.
  void Shutdown();

  // Timers started and not yet stopped.
  std::size_t active_timers() const;

 private:
  using Clock = std::chrono::steady_clock;

  struct Timer {
    ext_timer_callback callback;
    void* cookie;
    Clock::duration interval;
    Clock::time_point start;
    std::uint64_t tick;    // index of the tick queued next
    std::uint64_t serial;  // unique over the service's life
  };
  // A queued tick; stale once its timer is stopped (checked by serial, so a
  // reused identifier never revives it).
  struct Due {
    Clock::time_point deadline;
    std::uint64_t serial;
    std::uint32_t id;
  };
  struct LaterFirst {
    bool operator()(const Due& a, const Due& b) const {
      return a.deadline != b.deadline ? a.deadline > b.deadline : a.serial > b.serial;
    }
  };

  void Run();
  void Fire(std::unique_lock<std::mutex>* lock, const Due& due);
  void Requeue(Timer* timer, std::uint32_t id, Clock::time_point now);
  bool IsLive(const Due& due) const;
  std::uint32_t NextId();
  void PushDue(const Due& due);
  void PopDue();
  void DropStaleDues();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::unordered_map<std::uint32_t, Timer> timers_;
  std::vector<Due> queue_;  // a heap, earliest first
  std::uint32_t last_id_ = 0;
  std::uint32_t firing_id_ = 0;  // the timer whose callback is under way
  std::uint64_t next_serial_ = 1;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vo_host

#endif  // VO_TOOLS_HOST_TIMER_SERVICE_H_
