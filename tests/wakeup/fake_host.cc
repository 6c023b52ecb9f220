#include "fake_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "registry_view.h"

namespace vo_tools_test {

FakeHost::FakeHost() {
  config_.start_timer = &FakeHost::StartTimer;
  config_.stop_timer = &FakeHost::StopTimer;
  // Recording must not allocate while a test makes allocations fail.
  starts_.reserve(256);
  stops_.reserve(256);
}

int FakeHost::StopCount(std::uint32_t id) const {
  return static_cast<int>(
      std::count_if(stops_.begin(), stops_.end(), [id](const StopCall& s) { return s.id == id; }));
}

int FakeHost::running() const {
  int started = static_cast<int>(
      std::count_if(starts_.begin(), starts_.end(), [](const StartCall& s) { return s.id != 0; }));
  return started - static_cast<int>(stops_.size());
}

void FakeHost::ExpectEveryTimerStoppedOnceOutsideTheLock() const {
  EXPECT_EQ(running(), 0) << "a started timer was never stopped";
  for (const StartCall& start : starts_) {
    if (start.id != 0) {
      EXPECT_LE(StopCount(start.id), 1) << "timer " << start.id;
    }
  }
  for (const StopCall& stop : stops_) {
    EXPECT_TRUE(stop.registry_lock_free)
        << "timer " << stop.id << " stopped under the lock (" << stop.probe_report << ")";
  }
}

int FakeHost::Tick(std::uint32_t id) {
  for (const StartCall& start : starts_) {
    if (start.id == id) return start.callback(start.cookie);
  }
  return -1;
}

std::uint32_t FakeHost::StartTimer(void* context, ext_timer_callback callback, void* cookie,
                                   unsigned long interval) {
  FakeHost* host = static_cast<FakeHost*>(context);
  const std::uint32_t id = host->refusing_ ? 0 : host->next_id_++;
  host->starts_.push_back({context, callback, cookie, interval, id});
  return id;
}

int FakeHost::StopTimer(void* context, std::uint32_t id) {
  FakeHost* host = static_cast<FakeHost*>(context);
  StopCall stop{context, id, true, {}};
  if (host->probing_lock_) {
    const ::testing::AssertionResult lock_free = RegistryLockIsFree();
    stop.registry_lock_free = lock_free;
    if (!lock_free) stop.probe_report = lock_free.message();
  }
  host->stops_.push_back(std::move(stop));
  if (host->on_stop_) host->on_stop_(id);
  return 0;
}

}  // namespace vo_tools_test
