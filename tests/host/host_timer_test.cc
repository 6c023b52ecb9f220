#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "vo_tools_host/timer_service.h"
#include "wait_for.h"

namespace vo_tools_test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What one timer's callback saw. The callback's thread writes, the test
// thread reads, so every field is behind the mutex.
struct Ticks {
  std::mutex mutex;
  std::vector<Clock::time_point> times;
  std::thread::id thread;
  std::function<void(Ticks*)> hook;  // runs inside the callback, unlocked

  std::size_t count() {
    std::lock_guard<std::mutex> lock(mutex);
    return times.size();
  }
  std::vector<Clock::time_point> snapshot() {
    std::lock_guard<std::mutex> lock(mutex);
    return times;
  }
  static int Callback(void* cookie) {
    Ticks* ticks = static_cast<Ticks*>(cookie);
    {
      std::lock_guard<std::mutex> lock(ticks->mutex);
      ticks->times.push_back(Clock::now());
      ticks->thread = std::this_thread::get_id();
    }
    if (ticks->hook) ticks->hook(ticks);
    return 0;
  }
};

// Declared after the objects a test's callbacks use, so that the timer thread
// is joined before they go: a callback already taken off the queue may still
// run after StopTimer returns.
struct ShutdownFirst {
  vo_host::TimerService* service;
  ~ShutdownFirst() { service->Shutdown(); }
};

class TimerServiceTest : public ::testing::Test {
 protected:
  vo_host::TimerService service_;
};

TEST_F(TimerServiceTest, FillsOnlyTheTimerEntries) {
  ext_in_config config{};
  int marker = 0;
  config.host_entries[51] = &marker;
  service_.FillConfig(&config);
  EXPECT_EQ(config.host_entries[51], &marker);
  Ticks ticks;
  ShutdownFirst shutdown_first{&service_};
  const std::uint32_t id = config.start_timer(service_.host_context(), &Ticks::Callback, &ticks, 5);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return ticks.count() >= 1; }));
  config.stop_timer(service_.host_context(), id);
  EXPECT_EQ(service_.active_timers(), 0u);
}

TEST_F(TimerServiceTest, PeriodicTicksOnItsOwnThreadAndNeverEarly) {
  Ticks ticks;
  ShutdownFirst shutdown_first{&service_};
  const auto before = Clock::now();
  const std::uint32_t id = service_.StartTimer(&Ticks::Callback, &ticks, 3);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return ticks.count() >= 10; }));
  service_.StopTimer(id);
  const std::vector<Clock::time_point> times = ticks.snapshot();
  for (std::size_t k = 0; k < times.size(); ++k) {
    // Tick k+1 of a grid that starts no earlier than `before`.
    EXPECT_GE(times[k] - before, milliseconds(3) * (k + 1)) << "tick " << k + 1 << " was early";
  }
  std::lock_guard<std::mutex> lock(ticks.mutex);
  EXPECT_NE(ticks.thread, std::this_thread::get_id());
}

TEST_F(TimerServiceTest, RefusesWhatItCannotRun) {
  Ticks ticks;
  EXPECT_EQ(service_.StartTimer(nullptr, &ticks, 5), 0u);
  EXPECT_EQ(service_.StartTimer(&Ticks::Callback, &ticks, 0), 0u);
  service_.Shutdown();
  EXPECT_EQ(service_.StartTimer(&Ticks::Callback, &ticks, 5), 0u);
  service_.Shutdown();  // idempotent
  EXPECT_EQ(ticks.count(), 0u);
}

TEST_F(TimerServiceTest, IdentifiersAreNonZeroAndDistinct) {
  Ticks ticks;
  ShutdownFirst shutdown_first{&service_};
  std::set<std::uint32_t> ids;
  for (int i = 0; i < 100; ++i) {
    const std::uint32_t id = service_.StartTimer(&Ticks::Callback, &ticks, 100000);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(ids.insert(id).second);
    if (i % 2 == 0) service_.StopTimer(id);
  }
  EXPECT_EQ(service_.active_timers(), 50u);
  service_.StopTimer(0);
  service_.StopTimer(0xFFFFFFFFu);
  EXPECT_EQ(service_.active_timers(), 50u);
}

// Ticks come in deadline order, so a timer started later with the same
// interval is a witness: by its third tick, a live earlier timer would have
// ticked at least three times too.
TEST_F(TimerServiceTest, TimerStoppedInsideItsOwnCallbackFiresNoMore) {
  Ticks stopped;
  std::atomic<std::uint32_t> stopped_id{0};
  stopped.hook = [&](Ticks*) {
    WaitFor([&] { return stopped_id.load() != 0; });  // a tick may beat the store
    service_.StopTimer(stopped_id.load());
  };
  stopped_id = service_.StartTimer(&Ticks::Callback, &stopped, 4);
  Ticks witness;
  ShutdownFirst shutdown_first{&service_};
  const std::uint32_t witness_id = service_.StartTimer(&Ticks::Callback, &witness, 4);
  ASSERT_TRUE(WaitFor([&] { return witness.count() >= 3; }));
  service_.StopTimer(witness_id);
  EXPECT_EQ(stopped.count(), 1u);
  EXPECT_EQ(service_.active_timers(), 0u);
}

TEST_F(TimerServiceTest, StopNeverWaitsForARunningCallback) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  Ticks blocked;
  ShutdownFirst shutdown_first{&service_};
  blocked.hook = [released](Ticks*) { released.wait(); };
  const std::uint32_t id = service_.StartTimer(&Ticks::Callback, &blocked, 1);
  ASSERT_TRUE(WaitFor([&] { return blocked.count() >= 1; }));  // now blocked inside
  auto stop = std::async(std::launch::async, [&] { service_.StopTimer(id); });
  const bool returned = stop.wait_for(kHangBound) == std::future_status::ready;
  release.set_value();
  EXPECT_TRUE(returned) << "StopTimer waited for the callback";
  stop.wait();
  EXPECT_EQ(service_.active_timers(), 0u);
}

TEST_F(TimerServiceTest, CallbacksMayStartTimers) {
  Ticks child;
  Ticks parent;
  std::atomic<std::uint32_t> child_id{0};
  std::atomic<std::uint32_t> parent_id{0};
  ShutdownFirst shutdown_first{&service_};
  parent.hook = [&](Ticks*) {
    WaitFor([&] { return parent_id.load() != 0; });
    service_.StopTimer(parent_id.load());
    child_id = service_.StartTimer(&Ticks::Callback, &child, 2);
  };
  parent_id = service_.StartTimer(&Ticks::Callback, &parent, 2);
  ASSERT_TRUE(WaitFor([&] { return child.count() >= 2; }));
  service_.StopTimer(child_id.load());
  EXPECT_EQ(parent.count(), 1u);
}

// The callback overruns three and a half intervals: the ticks that fell due
// meanwhile are skipped, and later ones stay on the original grid.
TEST_F(TimerServiceTest, TicksMissedDuringALongCallbackAreSkipped) {
  constexpr auto kInterval = milliseconds(20);
  Ticks ticks;
  ShutdownFirst shutdown_first{&service_};
  ticks.hook = [&](Ticks* t) {
    if (t->count() == 1) std::this_thread::sleep_for(kInterval * 7 / 2);
  };
  const auto before = Clock::now();
  const std::uint32_t id = service_.StartTimer(&Ticks::Callback, &ticks, 20);
  ASSERT_TRUE(WaitFor([&] { return ticks.count() >= 3; }));
  service_.StopTimer(id);
  const std::vector<Clock::time_point> times = ticks.snapshot();
  EXPECT_GE(times[1] - before, kInterval * 5) << "ticks 2 to 4 were delivered in a burst";
  EXPECT_GE(times[2] - before, kInterval * 6);
}

// Stopping many timers sweeps their queued ticks; the one left keeps ticking.
TEST_F(TimerServiceTest, MassStopKeepsTheSurvivorTicking) {
  std::vector<Ticks> ticks(300);
  ShutdownFirst shutdown_first{&service_};
  std::vector<std::uint32_t> ids;
  for (Ticks& t : ticks) ids.push_back(service_.StartTimer(&Ticks::Callback, &t, 2));
  for (std::size_t i = 1; i < ids.size(); ++i) service_.StopTimer(ids[i]);
  EXPECT_EQ(service_.active_timers(), 1u);
  const std::size_t seen = ticks[0].count();
  ASSERT_TRUE(WaitFor([&] { return ticks[0].count() >= seen + 3; }));
  service_.StopTimer(ids[0]);
}

TEST(TimerServiceShutdown, StopsEveryTimerAndJoins) {
  Ticks ticks;
  std::size_t at_shutdown;
  {
    vo_host::TimerService service;
    for (int i = 0; i < 10; ++i) service.StartTimer(&Ticks::Callback, &ticks, 1);
    ASSERT_TRUE(WaitFor([&] { return ticks.count() >= 5; }));
    service.Shutdown();
    at_shutdown = ticks.count();
    EXPECT_EQ(service.active_timers(), 0u);
  }
  EXPECT_EQ(ticks.count(), at_shutdown) << "a callback ran after the thread was joined";
}

}  // namespace
}  // namespace vo_tools_test
