#include "plugins.h"

namespace vo_demo {

int Plugin::Woken(KaRequestId id) {
  if (id != this->id()) wrong_id_ = true;
  last_wakeup_ms_ = timeline_->Elapsed();
  return wakeups_.load() + 1;  // counted by the caller once its work is done
}

void Sampler::OnPeriodicTimer(KaRequestId id) {
  const int n = Woken(id);
  log().Line(VO_LOG_DEBUG, false, name(), n, "sample %d: cpu-load %d%%", n, 20 + n * 37 % 60);
  Count();
}

void Heartbeat::OnPeriodicTimer(KaRequestId id) {
  const int n = Woken(id);
  Plugin* const watchdog = directory_->Find(watchdog_handle_);
  if (watchdog != nullptr &&
      server_->RequestSingleTimerWakeUp(watchdog, watchdog_ms_) == watchdog->id()) {
    ++rearmed_;
  }
  log().Line(VO_LOG_INFO, false, name(), n, "beat %d, watchdog (handle %lu) re-armed", n,
             watchdog_handle_);
  if (n < beats_) {
    Count();
    Note("beat " + std::to_string(n) + ": watchdog re-armed for " + std::to_string(watchdog_ms_) +
         " ms");
    return;
  }
  server_->CancelRequest(this->id());
  log().Line(VO_LOG_INFO, true, name(), n, "stopped after %d beats", n);
  Count();
  Note("beat " + std::to_string(n) + ": watchdog re-armed; cancels its own request");
}

void Watchdog::OnSingleTimer(KaRequestId id) {
  const int n = Woken(id);
  log().Line(VO_LOG_WARNING, true, name(), n, "no heartbeat for %lu ms", timeout_ms_);
  Count();
  Note("fires: no heartbeat for " + std::to_string(timeout_ms_) + " ms");
}

void Poller::OnSingleTimer(KaRequestId id) {
  const int n = Woken(id);
  log().Line(VO_LOG_INFO, false, name(), n, "poll %d", n);
  if (n >= polls()) {
    Count();
    Note("poll " + std::to_string(n) + ", the last");
    return;
  }
  const unsigned long next = waits_ms_[static_cast<std::size_t>(n)];
  if (server_->RequestSingleTimerWakeUp(this, next) == this->id()) ++rearmed_;
  Count();
  Note("poll " + std::to_string(n) + ", re-arms itself for " + std::to_string(next) + " ms");
}

}  // namespace vo_demo
