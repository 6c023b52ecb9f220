#include "vo_tools_host/timer_service.h"

#include <algorithm>
#include <limits>

namespace vo_host {
namespace {

std::uint32_t StartTimerEntry(void* host_context, ext_timer_callback callback, void* cookie,
                              unsigned long interval) {
  return static_cast<TimerService*>(host_context)->StartTimer(callback, cookie, interval);
}

int StopTimerEntry(void* host_context, std::uint32_t timer_id) {
  static_cast<TimerService*>(host_context)->StopTimer(timer_id);
  return 0;
}

// Stale queue entries are tolerated up to this many beyond the live timers
// before they are swept out.
constexpr std::size_t kStaleSlack = 64;

}  // namespace

TimerService::TimerService() : thread_([this] { Run(); }) {}

TimerService::~TimerService() {
  Shutdown();
}

void TimerService::FillConfig(ext_in_config* config) {
  config->start_timer = &StartTimerEntry;
  config->stop_timer = &StopTimerEntry;
}

std::uint32_t TimerService::StartTimer(ext_timer_callback callback, void* cookie,
                                       unsigned long interval_ms) {
  if (callback == nullptr || interval_ms == 0) return 0;
  const Clock::duration interval = std::chrono::milliseconds(std::min(interval_ms, kMaxIntervalMs));
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopping_) return 0;
  const std::uint32_t id = NextId();
  if (id == 0) return 0;
  const Clock::time_point start = Clock::now();
  const Timer timer{callback, cookie, interval, start, 1, next_serial_++};
  // Queue first: if the map insert then fails, the entry is merely stale.
  PushDue({start + interval, timer.serial, id});
  timers_.emplace(id, timer);
  // Only a new earliest deadline needs the thread to wake sooner.
  if (queue_.front().serial == timer.serial) wake_.notify_one();
  return id;
}

void TimerService::StopTimer(std::uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (timers_.erase(id) == 0) return;
  // Its queued tick stays until popped; sweep when such ticks pile up.
  if (queue_.size() > 2 * timers_.size() + kStaleSlack) DropStaleDues();
}

void TimerService::Shutdown() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    timers_.clear();
    queue_.clear();
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

std::size_t TimerService::active_timers() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.size();
}

void TimerService::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  Clock::time_point now = Clock::now();
  while (!stopping_) {
    if (queue_.empty()) {
      wake_.wait(lock);
      now = Clock::now();
      continue;
    }
    const Due next = queue_.front();
    if (!IsLive(next)) {
      PopDue();
      continue;
    }
    // `now` is a time already reached, so a tick is never early; a stale
    // `now` only costs a wait that returns at once.
    if (now < next.deadline) {
      wake_.wait_until(lock, next.deadline);
      now = Clock::now();
      continue;
    }
    PopDue();
    Fire(&lock, next);
    now = Clock::now();
    auto timer = timers_.find(next.id);
    if (timer != timers_.end() && timer->second.serial == next.serial) {
      Requeue(&timer->second, next.id, now);
    }
  }
}

// Runs the callback with the lock released, so that it may start and stop
// timers, its own included.
void TimerService::Fire(std::unique_lock<std::mutex>* lock, const Due& due) {
  const Timer& timer = timers_.at(due.id);
  const ext_timer_callback callback = timer.callback;
  void* const cookie = timer.cookie;
  firing_id_ = due.id;
  lock->unlock();
  callback(cookie);
  lock->lock();
  firing_id_ = 0;
}

// The next tick is the first one still ahead of `now`: deadlines stay on the
// timer's original grid, and ticks already past are skipped.
void TimerService::Requeue(Timer* timer, std::uint32_t id, Clock::time_point now) {
  std::uint64_t tick = timer->tick + 1;
  if (timer->start + timer->interval * tick <= now) {
    tick = static_cast<std::uint64_t>((now - timer->start) / timer->interval) + 1;
  }
  timer->tick = tick;
  PushDue({timer->start + timer->interval * tick, timer->serial, id});
}

bool TimerService::IsLive(const Due& due) const {
  auto timer = timers_.find(due.id);
  return timer != timers_.end() && timer->second.serial == due.serial;
}

// Identifiers count up and wrap, skipping 0, those of running timers and the
// one whose callback is under way.
std::uint32_t TimerService::NextId() {
  if (timers_.size() >= std::numeric_limits<std::uint32_t>::max() - 1) return 0;
  do {
    ++last_id_;
  } while (last_id_ == 0 || last_id_ == firing_id_ || timers_.count(last_id_) != 0);
  return last_id_;
}

void TimerService::PushDue(const Due& due) {
  queue_.push_back(due);
  std::push_heap(queue_.begin(), queue_.end(), LaterFirst());
}

void TimerService::PopDue() {
  std::pop_heap(queue_.begin(), queue_.end(), LaterFirst());
  queue_.pop_back();
}

void TimerService::DropStaleDues() {
  queue_.erase(
      std::remove_if(queue_.begin(), queue_.end(), [this](const Due& due) { return !IsLive(due); }),
      queue_.end());
  std::make_heap(queue_.begin(), queue_.end(), LaterFirst());
}

}  // namespace vo_host
