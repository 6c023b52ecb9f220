// The library's server over the real host timer service, end to end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "vo_tools/wakeup.h"
#include "vo_tools_host/timer_service.h"
#include "wait_for.h"

namespace vo_tools_test {
namespace {

class ThreadedWakable : public KaWakable {
 public:
  void OnPeriodicTimer(KaRequestId id) override { Record(&periodic_, id); }
  void OnSingleTimer(KaRequestId id) override { Record(&single_, id); }

  int periodic() const { return periodic_.load(); }
  int single() const { return single_.load(); }
  bool wrong_id() const { return wrong_id_.load(); }
  std::thread::id thread() {
    std::lock_guard<std::mutex> lock(mutex_);
    return thread_;
  }
  KaRequestId id() const { return reinterpret_cast<KaRequestId>(this); }
  // Runs inside every callback, on the timer thread; set before scheduling.
  std::function<void()> hook;

 private:
  void Record(std::atomic<int>* counter, KaRequestId id) {
    if (id != this->id()) wrong_id_ = true;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      thread_ = std::this_thread::get_id();
    }
    ++*counter;
    if (hook) hook();
  }

  std::atomic<int> periodic_{0};
  std::atomic<int> single_{0};
  std::atomic<bool> wrong_id_{false};
  std::mutex mutex_;
  std::thread::id thread_;
};

class WakeUpOverHostTest : public ::testing::Test {
 protected:
  WakeUpOverHostTest() { host_.FillConfig(&config_); }
  void TearDown() override {
    // A delivered one-shot is destroyed just after its callback returns.
    EXPECT_TRUE(WaitFor([&] { return host_.active_timers() == 0; }))
        << "a host timer outlived its request";
  }

  vo_host::TimerService host_;
  ext_in_config config_{};
  CPlexWakeUpServer server_{host_.host_context(), &config_, 0};
};

// The fifth callback runs on until the test thread's cancel returns, or for
// 200 ms: all of them in a sound build, where the cancel waits for it.
TEST_F(WakeUpOverHostTest, PeriodicWakeUpsArriveOnTheTimerThreadUnderTheRegistryLock) {
  ThreadedWakable wakable;
  std::atomic<int> cancel{0};  // 1 while the test thread cancels, 2 once it has
  std::atomic<int> fifth{0};   // 1 once it ends, 2 if the cancel returned first
  wakable.hook = [&] {
    if (wakable.periodic() != 5 || !WaitFor([&] { return cancel >= 1; })) return;
    fifth = WaitFor([&] { return cancel == 2; }, std::chrono::milliseconds(200)) ? 2 : 1;
  };
  const KaRequestId id = server_.RequestPeriodicTimerWakeUp(&wakable, 2);
  ASSERT_EQ(id, wakable.id());
  EXPECT_EQ(host_.active_timers(), 1u);
  ASSERT_TRUE(WaitFor([&] { return wakable.periodic() >= 5; }));
  cancel = 1;
  server_.CancelRequest(id);
  cancel = 2;
  EXPECT_EQ(host_.active_timers(), 0u);
  EXPECT_FALSE(wakable.wrong_id());
  EXPECT_NE(wakable.thread(), std::this_thread::get_id());
  ASSERT_TRUE(WaitFor([&] { return fifth != 0; }));
  EXPECT_EQ(fifth, 1) << "CancelRequest returned while a callback was running";
}

TEST_F(WakeUpOverHostTest, SingleWakeUpArrivesOnceAndReleasesItsTimer) {
  ThreadedWakable wakable;
  ThreadedWakable witness;  // same interval, started later: ticks after it
  ASSERT_NE(server_.RequestSingleTimerWakeUp(&wakable, 3), 0u);
  ASSERT_NE(server_.RequestPeriodicTimerWakeUp(&witness, 3), 0u);
  ASSERT_TRUE(WaitFor([&] { return witness.periodic() >= 4; }));
  server_.CancelRequest(witness.id());
  EXPECT_EQ(wakable.single(), 1);
  EXPECT_FALSE(wakable.wrong_id());
  server_.CancelRequest(wakable.id());  // no effect: already delivered
}

TEST_F(WakeUpOverHostTest, CallbackCancelsItselfOnTheTimerThread) {
  ThreadedWakable wakable;
  wakable.hook = [&] { server_.CancelRequest(wakable.id()); };
  ThreadedWakable witness;
  server_.RequestPeriodicTimerWakeUp(&wakable, 2);
  server_.RequestPeriodicTimerWakeUp(&witness, 2);
  ASSERT_TRUE(WaitFor([&] { return witness.periodic() >= 4; }));
  server_.CancelRequest(witness.id());
  EXPECT_EQ(wakable.periodic(), 1);
}

TEST_F(WakeUpOverHostTest, SingleWakeUpRearmsFromItsCallback) {
  ThreadedWakable wakable;
  wakable.hook = [&] {
    if (wakable.single() < 3) server_.RequestSingleTimerWakeUp(&wakable, 2);
  };
  server_.RequestSingleTimerWakeUp(&wakable, 2);
  ASSERT_TRUE(WaitFor([&] { return wakable.single() >= 3; }));
  EXPECT_TRUE(WaitFor([&] { return host_.active_timers() == 0; }));
  EXPECT_EQ(wakable.single(), 3);
}

}  // namespace
}  // namespace vo_tools_test
